// The library vantrel_guide carries the user guide as the raw resource
// ":/Guide" (the PDF rendered at build time, see docs/CMakeLists.txt). It has
// no code of its own; this file gives it the one source a library needs.
