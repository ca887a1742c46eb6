#pragma once

class QThread;

// Waits at most timeoutMs for a worker thread to end while delivering this
// thread's queued events, so that a handler the worker waits for (a
// blocking queued event) can run and free it. True when it has ended.
bool WaitDeliveringEvents(QThread& thread, int timeoutMs);
