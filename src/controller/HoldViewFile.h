#pragma once

// Whether the view is held (two fingers never move it, taps of two or three fingers do
// nothing), kept per lesson folder between runs: "hold-view.txt" in the working directory
// holds "on" or "off".
namespace holdview {

inline constexpr const char* kFileName = "hold-view.txt";

// Off when the file is missing, is no regular file, or says anything but "on".
bool load();
// Replaces the file whole; false (after a one-line diagnostic) when it could not be written.
bool save(bool held);

}  // namespace holdview
