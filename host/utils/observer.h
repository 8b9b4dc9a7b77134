#pragma once

#include "utils/utils_global.h"

namespace Utils {

// Receives threshold changes made elsewhere: `component` is the plot row or
// output the threshold belongs to, `mark` 0 the lower and 1 the upper mark.
class UTILS_EXPORT Observer
{
public:
    virtual ~Observer() = default;
    virtual void notify(unsigned int component, unsigned int mark, double value) = 0;
};

} // namespace Utils
