#pragma once

// The outgoing queue as the editor and the forwarding reach it: TOutgoingQueue
// implements it; the writers of outgoing files hold it without knowing the
// exchange.
class IOutgoingQueue {
public:
    virtual ~IOutgoingQueue() = default;
    // Sets the countdown to the next scan of the output folder.
    virtual void SetScanCountdown(int seconds) = 0;
    // Rebuilds the list of the queue page.
    virtual void RefreshQueueList() = 0;
};
