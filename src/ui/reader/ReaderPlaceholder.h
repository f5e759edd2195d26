#pragma once

#include <QWidget>

namespace vesk {

/// The reading column while no conversation is open: the envelope symbol
/// above "Escolhe uma conversa para ler.", centred. GUI thread only.
class ReaderPlaceholder final : public QWidget
{
    Q_OBJECT

public:
    explicit ReaderPlaceholder(QWidget* parent = nullptr);
};

} // namespace vesk
