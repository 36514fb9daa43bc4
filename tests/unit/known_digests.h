// The digests of "a" and "abc" (published test vectors) as the hash log and the
// screen show them, and the texts that stand in a record for a digest that
// could not be taken.
#pragma once

inline constexpr const char* MD5_OF_A = "0CC175B9C0F1B6A831C399E269772661";
inline constexpr const char* MD5_OF_ABC = "900150983CD24FB0D6963F7D28E17F72";
inline constexpr const char* SHA1_OF_A = "86F7E437FAA5A7FCE15D1DDCB9EAEAEA377667B8";
inline constexpr const char* SHA1_OF_ABC = "A9993E364706816ABA3E25717850C26C9CD0D89D";
inline constexpr const char* MD5_LOCKED = "- ERROR - FILE POSSIBLY LOCKED -";
inline constexpr const char* SHA_LOCKED = "-- ERROR - FILE POSSIBLY LOCKED BY OS --";
