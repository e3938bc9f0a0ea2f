// Marks a function as an export of a shared library: a plain C name, visible
// although the library is built with hidden visibility.
#pragma once

#define ORVANE_EXPORT extern "C" __attribute__((visibility("default")))
