// Starting a progress window for a transfer that runs on a window's own
// thread.
#pragma once

class CGaugeThread;

// Starts a progress window on a thread of its own and waits, handling the
// calling thread's messages, until its start is over. The gauge (the
// caller ends it with Close), or null when no thread could be started.
CGaugeThread* StartProgressGauge();
