#pragma once
// The receiver of copies of master blocks (the recorder).

#include "audio/SampleBlock.h"

namespace gm {

class RecordReceiver {
 public:
  virtual ~RecordReceiver() = default;

  // [main-thread] One call per master block, in order, with exactly that block's frames. A block of
  // 0 frames stands for a block that could not be copied; the receiver skips it.
  virtual void receiveRecordBlock(ConstSampleBlock block) = 0;
};

}  // namespace gm
