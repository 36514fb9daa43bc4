// Ending the run from below the driver. A part that must end the run (an
// option error, a log that cannot be opened, Ctrl+C seen at a safe point)
// asks through the run state's RunEnding; the driver implements it with the
// termination routine, which writes the statistics, closes the logs and ends
// the process. Nothing below the driver knows how the run ends.
#pragma once

// Exit reasons (the number is also the exit code).
enum ExitReason : int {
    NORMAL_EXIT = 0,
    USER_ABORTED = 2,
    INPUT_FILE = 3,
    OUTPUT_FILE = 4,
    PARAMATER_FILE = 5,
    ILLEGAL_OPTION = 6,
    MEMORY_ERROR = 7,
    OTHER_EXIT = 8,
    WRITE_ERROR = 9,
    READ_ERROR = 11,
    NON_SPECIFIC_ERROR = 13,
    VERIFY_FAILED = 17,  // --VERIFY=: a file recorded is changed, missing or unreadable
};

class RunEnding {
public:
    virtual ~RunEnding() = default;
    // The termination routine: statistics, logs closed, exit code `reason`.
    [[noreturn]] virtual void end_run(int reason) = 0;
    // The bare end: nothing more written, exit code `code`.
    [[noreturn]] virtual void exit_at_once(int code) = 0;
    // A key read without echo (-1 at the end of input) while Ctrl+C may end
    // the run meanwhile.
    virtual int wait_for_key() = 0;
};
