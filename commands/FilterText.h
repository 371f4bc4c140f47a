#pragma once

#include <QString>

// The filter box (FilterExtension) as the commands read it. The listing reads it afresh for every name, so a
// change made while it yields takes effect at once; only the window sets it.
class FilterText
{
public:
    virtual ~FilterText() = default;
    virtual QString text() const = 0;
};
