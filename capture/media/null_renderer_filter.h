#pragma once
// The end of a capture graph: takes every sample and drops it.

#include "capture/media/filter_base.h"

namespace media {

class NullRendererFilter final : public FilterBase {
public:
    NullRendererFilter();
};

}  // namespace media
