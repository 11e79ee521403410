// What the tests and mkinstall_stop_at_write_step agree on.
#pragma once

// The exit status of mkinstall_stop_at_write_step when it stopped the run.
constexpr int kStoppedAtWriteStep = 86;
