// A configuration and a run state of a test's own, fresh for each test, and
// the hand-over forms the parsers and the copy take.
#pragma once

#include "copy/copy_context.h"
#include "options/option_support.h"
#include "state/config.h"
#include "state/run_state.h"

struct TestRun {
    Configuration config_;
    Run run_;
    Parsing parsing_{config_, run_};
    CopyContext context_{config_, run_};
};
