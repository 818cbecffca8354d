#include <algorithm>

#include "audio/BlockRenderer.h"

namespace gm {

void SilentRenderer::renderBlock(SampleBlock block) {
  std::fill_n(block.samples, block.sampleCount(), std::int16_t{0});
}

}  // namespace gm
