#pragma once

#include <QWidget>

class QLabel;

namespace vesk {

class BusySpinner;
class TextButton;

/// What stands in a pane while its content is not there: a spinner with
/// what is being waited for, or what went wrong with "Tentar de novo". The
/// full text of an error stays in the tooltip. GUI thread only.
class StatusNotice final : public QWidget
{
    Q_OBJECT

public:
    explicit StatusNotice(QWidget* parent = nullptr);

    void showBusy(const QString& text);
    /// `sentence` is what the person reads; `tooltip` has the whole error.
    void showError(const QString& sentence, const QString& tooltip);
    /// A quiet line, neither busy nor failed ("Sem resultados.").
    void showText(const QString& text);

    QLabel* textLabel() const { return m_text; }
    TextButton* retryButton() const { return m_retry; }
    bool isBusy() const;

Q_SIGNALS:
    void retryClicked();

private:
    void show(const QString& text, bool busy, bool failed);

    BusySpinner* m_spinner;
    QLabel* m_text;
    TextButton* m_retry;
};

} // namespace vesk
