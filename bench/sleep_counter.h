// The floor of a library call: the sleeps its protocol prescribes, counted as
// the library asks for them. The benchmark program defines nanosleep, which
// the library's sleeps reach before the C library's, and adds up what the
// counting thread asks for; and poll, in which the event loop waits for its
// deadlines, and adds up how long each wait with a time-out lasted.
#ifndef VANDREL_BENCH_SLEEP_COUNTER_H
#define VANDREL_BENCH_SLEEP_COUNTER_H

namespace vdbench {

// Starts counting the calling thread's sleeps from zero.
void StartCountingSleeps();
// Seconds of sleep asked for, and of waits in poll, since the start;
// counting stops.
double StopCountingSleeps();

}  // namespace vdbench

#endif
