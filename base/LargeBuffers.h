#pragma once

#include <QByteArray>

#include <functional>

// Frees a buffer of hundreds of megabytes a slice of pages at a time, calling `between` after each slice: the
// kernel takes tens of milliseconds to take such a buffer back in one call, and the window would wait as long.
// A buffer that another holder still shares (a client of the clipboard) is only let go of, its bytes kept.
void releaseInSlices(QByteArray&& bytes, const std::function<void()>& between);
