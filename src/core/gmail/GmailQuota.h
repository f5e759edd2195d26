#pragma once

#include <chrono>

namespace vesk {

/// Gmail's per-user quota as Google publishes it for 2026: each call costs
/// units, and one user may spend `unitsPerWindow` within any moving window of
/// `window`. Every number the client paces itself by lives here.
struct GmailQuota
{
    static constexpr std::chrono::milliseconds window{60000};
    static constexpr int unitsPerWindow = 6000;
    /// Background synchronisation keeps to this share of the window, so that
    /// the user's own actions (opening, sending, labelling) still get through.
    static constexpr int backgroundPercent = 80;

    /// When Google refuses below the published limit without saying for how
    /// long (another client of the user spends too, or the limit in force is
    /// tighter), the client learns the rate that gets through: it halves what
    /// it allows itself and adds back this share of the published limit per
    /// window without a refusal, never going below the floor.
    static constexpr int learnedStepPercent = 10;
    static constexpr int learnedFloorPercent = 5;
    /// The pause after such a refusal, one step longer for each refusal in a
    /// row, up to the longest.
    static constexpr std::chrono::milliseconds refusalPauseStep{1000};
    static constexpr std::chrono::milliseconds refusalPauseLongest{10000};
    /// A call refused for quota for longer than this passes the refusal on.
    static constexpr std::chrono::milliseconds refusedLongest{120000};

    static constexpr int profile = 1;
    static constexpr int labelsList = 1;
    static constexpr int labelsGet = 1;
    static constexpr int messagesList = 5;
    static constexpr int messagesGet = 20;
    static constexpr int historyList = 2;
    static constexpr int threadsGet = 40;
    /// threads.modify, threads.trash and threads.untrash alike.
    static constexpr int threadsModify = 10;
    /// messages.send and drafts.send alike.
    static constexpr int messagesSend = 100;
    static constexpr int draftsWrite = 10;
    static constexpr int messagesBatchModify = 50;
};

} // namespace vesk
