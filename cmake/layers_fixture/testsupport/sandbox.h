// A header of the test harness.
