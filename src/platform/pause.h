// The program's timed pauses after messages, log openings and rate displays.
// KESTRO_PAUSE=0 in the environment turns every pause off (scripts, tests).
#pragma once

void pause_seconds(int seconds);
