#pragma once

#include "ui/style/Symbol.h"

#include <QAbstractButton>
#include <QString>

#include <optional>

namespace vesk {

/// The brand's one button: a capsule with its label in Inter 13 semibold.
/// Prominent pills fill the capsule with the purple gradient and set the label
/// in white; plain pills lay a faint wash of the text colour under it. A
/// pressed pill is drawn at 75 % opacity; keyboard focus draws a ring around
/// the capsule. An optional symbol leads the label.
class PillButton final : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(bool prominent READ isProminent WRITE setProminent NOTIFY prominentChanged)

public:
    explicit PillButton(const QString& text, bool prominent = false, QWidget* parent = nullptr);

    bool isProminent() const { return m_prominent; }
    void setProminent(bool prominent);

    /// The symbol drawn before the label; none by default.
    std::optional<Symbol> symbol() const { return m_symbol; }
    void setSymbol(std::optional<Symbol> symbol);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void prominentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRectF capsuleRect() const;
    QColor labelColour() const;
    qreal opacity() const;

    bool m_prominent;
    bool m_focusRing = false;
    std::optional<Symbol> m_symbol;
};

} // namespace vesk
