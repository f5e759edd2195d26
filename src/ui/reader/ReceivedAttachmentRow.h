#pragma once

#include "model/AttachmentInfo.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace vesk {

class AppState;
class PillButton;

/// One attachment of a message in the reader: the paperclip, the file name
/// and size, and "Guardar", which saves it through the transfer manager and
/// reads "A guardar" (disabled) until that save is over, however it ends.
/// GUI thread only.
class ReceivedAttachmentRow final : public QWidget
{
    Q_OBJECT

public:
    /// Saving needs `state`; without one the row only shows the attachment.
    ReceivedAttachmentRow(AttachmentInfo attachment, AppState* state, QWidget* parent = nullptr);

    const AttachmentInfo& attachment() const { return m_attachment; }
    bool isDownloading() const { return m_downloading; }
    PillButton* saveButton() const { return m_save; }

private:
    QCoro::Task<> save();
    void setDownloading(bool downloading);

    const AttachmentInfo m_attachment;
    const QPointer<AppState> m_state;
    PillButton* m_save;
    bool m_downloading = false;
};

} // namespace vesk
