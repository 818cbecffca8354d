#include "audio/MixEngine.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "audio/DbTable.h"
#include "audio/RecordReceiver.h"

namespace gm {
namespace {

constexpr std::uint32_t kUnityVolume = 0x10000;
constexpr std::uint32_t kMaxHeadphoneLevel = 255;
constexpr std::uint32_t kCueNone = 0;
constexpr std::uint32_t kCueDeckA = 1;
constexpr std::uint32_t kCueDeckB = 2;

// Headphone knob level 0..255 to a dB table index 0..60. The quotient is rounded to single
// precision before scaling, which decides the index at a few knob positions.
int headphoneLevelIndex(std::uint32_t level) {
  const float fraction = static_cast<float>(static_cast<double>(level) / 255.0);
  return static_cast<int>(static_cast<double>(fraction) * 60.0);
}

void fillSilence(SampleBlock block) {
  std::fill_n(block.samples, block.sampleCount(), std::int16_t{0});
}

}  // namespace

std::unique_ptr<MixEngine> MixEngine::create(BlockRenderer* deckA, BlockRenderer* deckB,
                                             std::size_t maxBlockFrames) {
  if (deckA == nullptr || deckB == nullptr || maxBlockFrames == 0) {
    return nullptr;
  }
  return std::unique_ptr<MixEngine>(new MixEngine(*deckA, *deckB, maxBlockFrames));
}

MixEngine::MixEngine(BlockRenderer& deckA, BlockRenderer& deckB, std::size_t maxBlockFrames)
    : deckA_(deckA), deckB_(deckB), maxBlockFrames_(maxBlockFrames) {
  const std::size_t samplesPerBlock = maxBlockFrames * kChannels;
  spareDeckASamples_ = std::make_unique<std::int16_t[]>(samplesPerBlock);
  spareDeckBSamples_ = std::make_unique<std::int16_t[]>(samplesPerBlock);
  silenceSamples_ = std::make_unique<std::int16_t[]>(samplesPerBlock);
  jobPool_.reset(maxBlockFrames);
  recordQueue_.reset(maxBlockFrames);
}

MixEngine::~MixEngine() = default;

std::size_t MixEngine::pull(int port, void* buffer, std::size_t lengthBytes) {
  if ((port != kMasterPort && port != kHeadphonePort) || buffer == nullptr) {
    return lengthBytes;
  }
  const SampleBlock whole = SampleBlock::fromBytes(buffer, lengthBytes);
  for (std::size_t firstFrame = 0; firstFrame < whole.frames; firstFrame += maxBlockFrames_) {
    const SampleBlock piece = whole.subBlock(firstFrame, std::min(maxBlockFrames_, whole.frames - firstFrame));
    if (port == kMasterPort) {
      pullMaster(piece);
    } else {
      pullHeadphones(piece);
    }
  }
  // A length that is not a whole number of frames leaves a partial frame: play it as silence.
  std::memset(static_cast<std::uint8_t*>(buffer) + whole.bytes(), 0, lengthBytes - whole.bytes());
  return lengthBytes;
}

// [audio-thread: master]
void MixEngine::pullMaster(SampleBlock block) {
  MixJob* job = headphonesOff_.load(std::memory_order_relaxed) ? nullptr : jobPool_.acquire();
  const SampleBlock deckABlock =
      job != nullptr ? job->deckABlock.subBlock(0, block.frames) : SampleBlock{spareDeckASamples_.get(), block.frames};
  const SampleBlock deckBBlock =
      job != nullptr ? job->deckBBlock.subBlock(0, block.frames) : SampleBlock{spareDeckBSamples_.get(), block.frames};

  // Decks take their own locks while rendering; mixLock_ is never held around them.
  deckA_.renderBlock(deckABlock);
  deckB_.renderBlock(deckBBlock);
  const float energy = masterMixSettings().mix(deckABlock, deckBBlock, block);
  level_.store(energy, std::memory_order_relaxed);

  if (job != nullptr) {
    std::copy_n(block.samples, block.sampleCount(), job->masterBlock.samples);
    job->lengthFrames = block.frames;
    jobPool_.enqueue(job);
  }
  copyToRecorder(block);
}

TwoSignalMix MixEngine::masterMixSettings() const {
  std::lock_guard lock(mixLock_);
  return TwoSignalMix{volumeA_, volumeB_, crossFader_};
}

// [audio-thread: master]
void MixEngine::copyToRecorder(ConstSampleBlock block) {
  // Announce the copy before looking at the flag; see detachRecordReceiver() for the other half.
  recordPushInFlight_.store(true);
  if (recording_.load()) {
    recordQueue_.push(block);
  }
  recordPushInFlight_.store(false);
}

// [audio-thread: headphones]
void MixEngine::pullHeadphones(SampleBlock block) {
  if (headphonesOff_.load(std::memory_order_relaxed)) {
    dropHeadphoneJobs();
    fillSilence(block);
    return;
  }
  mixFromHeadphoneJob(headphoneMixSettings(), cueSource_.load(std::memory_order_relaxed), block);
}

TwoSignalMix MixEngine::headphoneMixSettings() const {
  const int cueIndex = headphoneLevelIndex(headphoneCueLevel_.load(std::memory_order_relaxed));
  const int masterIndex = headphoneLevelIndex(headphoneMasterLevel_.load(std::memory_order_relaxed));
  return TwoSignalMix{static_cast<std::uint32_t>(dbTableGain(cueIndex)),
                      static_cast<std::uint32_t>(dbTableGain(masterIndex)), 0};
}

// Plays the queue as one stream of frames, so headphone and master blocks may differ in length:
// a job is held until all its frames are played; frames for which no job is queued are silent.
void MixEngine::mixFromHeadphoneJob(const TwoSignalMix& settings, std::uint32_t source, SampleBlock out) {
  std::size_t doneFrames = 0;
  while (doneFrames < out.frames) {
    if (headphoneJob_ == nullptr) {
      headphoneJob_ = jobPool_.takeOldest();
      headphoneJobOffsetFrames_ = 0;
      if (headphoneJob_ == nullptr) {
        break;
      }
    }
    const MixJob& job = *headphoneJob_;
    const std::size_t frames = std::min(out.frames - doneFrames, job.lengthFrames - headphoneJobOffsetFrames_);
    settings.mix(cueBlock(job, source).subBlock(headphoneJobOffsetFrames_, frames),
                 ConstSampleBlock(job.masterBlock).subBlock(headphoneJobOffsetFrames_, frames),
                 out.subBlock(doneFrames, frames));
    doneFrames += frames;
    headphoneJobOffsetFrames_ += frames;
    if (headphoneJobOffsetFrames_ >= job.lengthFrames) {
      jobPool_.release(headphoneJob_);
      headphoneJob_ = nullptr;
    }
  }
  fillSilence(out.subBlock(doneFrames, out.frames - doneFrames));
}

ConstSampleBlock MixEngine::cueBlock(const MixJob& job, std::uint32_t source) const {
  switch (source) {
    case kCueDeckA:
      return job.deckABlock;
    case kCueDeckB:
      return job.deckBBlock;
    default:
      return ConstSampleBlock{silenceSamples_.get(), maxBlockFrames_};
  }
}

// [audio-thread: headphones] With the headphones off nothing may pile up for later.
void MixEngine::dropHeadphoneJobs() {
  if (headphoneJob_ != nullptr) {
    jobPool_.release(headphoneJob_);
    headphoneJob_ = nullptr;
  }
  jobPool_.releaseQueued();
}

void MixEngine::setVolumeA(std::int64_t volume) {
  std::lock_guard lock(mixLock_);
  volumeA_ = static_cast<std::uint32_t>(std::clamp<std::int64_t>(volume, 0, kUnityVolume));
}

void MixEngine::setVolumeB(std::int64_t volume) {
  std::lock_guard lock(mixLock_);
  volumeB_ = static_cast<std::uint32_t>(std::clamp<std::int64_t>(volume, 0, kUnityVolume));
}

void MixEngine::setCrossFader(std::int32_t crossFader) {
  std::lock_guard lock(mixLock_);
  crossFader_ = crossFader;
}

void MixEngine::setHeadphonesOff(bool off) { headphonesOff_.store(off, std::memory_order_relaxed); }

void MixEngine::setHeadphoneMasterLevel(std::int64_t level) {
  headphoneMasterLevel_.store(static_cast<std::uint32_t>(std::clamp<std::int64_t>(level, 0, kMaxHeadphoneLevel)),
                              std::memory_order_relaxed);
}

void MixEngine::setHeadphoneCueLevel(std::int64_t level) {
  headphoneCueLevel_.store(static_cast<std::uint32_t>(std::clamp<std::int64_t>(level, 0, kMaxHeadphoneLevel)),
                           std::memory_order_relaxed);
}

void MixEngine::setCueSource(std::uint32_t source) {
  if (source == kCueNone || source == kCueDeckA || source == kCueDeckB) {
    cueSource_.store(source, std::memory_order_relaxed);
  }
}

void MixEngine::setRecordReceiver(RecordReceiver* receiver) {
  if (recordReceiver_ != nullptr) {
    detachRecordReceiver();
  }
  if (receiver == nullptr) {
    return;
  }
  // Copies made around an earlier detach belong to no one.
  recordQueue_.discard();
  recordReceiver_ = receiver;
  recording_.store(true);
}

// Stops copying, waits out a copy that saw the flag still set, and hands the old receiver every
// block copied up to here, so that a recording ends with the last block it was promised.
void MixEngine::detachRecordReceiver() {
  recording_.store(false);
  while (recordPushInFlight_.load()) {
    std::this_thread::yield();
  }
  recordQueue_.drainTo(*recordReceiver_);
  recordReceiver_ = nullptr;
}

void MixEngine::drainRecordBlocks() {
  if (recordReceiver_ != nullptr) {
    recordQueue_.drainTo(*recordReceiver_);
  }
}

std::int32_t MixEngine::level() const { return static_cast<std::int32_t>(level_.load(std::memory_order_relaxed)); }

std::uint32_t MixEngine::volumeA() const {
  std::lock_guard lock(mixLock_);
  return volumeA_;
}

std::uint32_t MixEngine::volumeB() const {
  std::lock_guard lock(mixLock_);
  return volumeB_;
}

std::int32_t MixEngine::crossFader() const {
  std::lock_guard lock(mixLock_);
  return crossFader_;
}

bool MixEngine::headphonesOff() const { return headphonesOff_.load(std::memory_order_relaxed); }

std::uint32_t MixEngine::headphoneMasterLevel() const {
  return headphoneMasterLevel_.load(std::memory_order_relaxed);
}

std::uint32_t MixEngine::headphoneCueLevel() const { return headphoneCueLevel_.load(std::memory_order_relaxed); }

std::uint32_t MixEngine::cueSource() const { return cueSource_.load(std::memory_order_relaxed); }

std::uint64_t MixEngine::droppedHeadphoneJobs() const { return jobPool_.droppedJobs(); }

std::uint64_t MixEngine::lostRecordBlocks() const { return recordQueue_.overflowCount(); }

std::size_t MixEngine::queuedHeadphoneJobs() const { return jobPool_.queuedJobs(); }

}  // namespace gm
