#pragma once
// The mixing engine: two pull-driven output ports. Port 0 (master) renders both decks, mixes them
// under volumes and cross-fader, measures the level, queues a job for the headphone side and hands
// a copy of the block to the recorder. Port 1 (headphones) mixes the queued job's cue deck with the
// job's master copy. Everything the audio threads touch is allocated in prepare().

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/BlockRenderer.h"
#include "audio/MixJobPool.h"
#include "audio/PullSource.h"
#include "audio/RecordQueue.h"
#include "audio/TwoSignalMix.h"

namespace gm {

class RecordReceiver;

class MixEngine final : public PullSource {
 public:
  static constexpr int kMasterPort = 0;
  static constexpr int kHeadphonePort = 1;

  // [main-thread] nullptr when either deck is missing. Ready to pull blocks of up to
  // `maxBlockFrames` frames; longer pulls are produced in pieces of that size.
  static std::unique_ptr<MixEngine> create(BlockRenderer* deckA, BlockRenderer* deckB,
                                           std::size_t maxBlockFrames);
  ~MixEngine() override;

  // [audio-thread] Port 0, port 1, or any other port (buffer left untouched). Returns lengthBytes.
  std::size_t pull(int port, void* buffer, std::size_t lengthBytes) override;

  // [main-thread] Attribute sets, with the clamps of the engine's attributes.
  void setVolumeA(std::int64_t volume);             // clamped to 0..0x10000
  void setVolumeB(std::int64_t volume);             // clamped to 0..0x10000
  void setCrossFader(std::int32_t crossFader);      // stored unchanged
  void setHeadphonesOff(bool off);
  void setHeadphoneMasterLevel(std::int64_t level);  // clamped to 0..255
  void setHeadphoneCueLevel(std::int64_t level);     // clamped to 0..255
  void setCueSource(std::uint32_t source);           // 0, 1 or 2; anything else is ignored
  // Attaches (or with nullptr detaches) the receiver of master-block copies. Detaching first
  // delivers every copy already made.
  void setRecordReceiver(RecordReceiver* receiver);
  // Delivers the queued master-block copies to the receiver; called by the periodic tick.
  void drainRecordBlocks();

  // [main-thread] Attribute gets.
  std::int32_t level() const;  // energy of the last master block, truncated
  std::uint32_t volumeA() const;
  std::uint32_t volumeB() const;
  std::int32_t crossFader() const;
  bool headphonesOff() const;
  std::uint32_t headphoneMasterLevel() const;
  std::uint32_t headphoneCueLevel() const;
  std::uint32_t cueSource() const;
  // The longest piece a deck is asked to render.
  std::size_t maxBlockFrames() const { return maxBlockFrames_; }
  int channels() const { return 2; }
  int sampleRate() const { return 44100; }
  std::uint32_t portVolume() const { return 0x10000; }

  // [any-thread] Counters shown to the user.
  std::uint64_t droppedHeadphoneJobs() const;  // oldest unplayed jobs given up at the pool's bound
  std::uint64_t lostRecordBlocks() const;      // master copies that did not fit the record queue
  std::size_t queuedHeadphoneJobs() const;
  // [main-thread] The record queue's fill at its fullest drain so far, and its size, in bytes.
  std::size_t recordQueueHighWaterBytes() const { return recordQueue_.highWaterBytes(); }
  std::size_t recordQueueCapacityBytes() const { return recordQueue_.capacityBytes(); }

 private:
  MixEngine(BlockRenderer& deckA, BlockRenderer& deckB, std::size_t maxBlockFrames);
  void pullMaster(SampleBlock block);
  void pullHeadphones(SampleBlock block);
  TwoSignalMix masterMixSettings() const;
  TwoSignalMix headphoneMixSettings() const;
  ConstSampleBlock cueBlock(const MixJob& job, std::uint32_t source) const;
  void mixFromHeadphoneJob(const TwoSignalMix& settings, std::uint32_t source, SampleBlock out);
  void dropHeadphoneJobs();
  void copyToRecorder(ConstSampleBlock block);
  void detachRecordReceiver();

  BlockRenderer& deckA_;
  BlockRenderer& deckB_;
  const std::size_t maxBlockFrames_;

  // The master's gains: set by the main thread and read by the master as one snapshot per block.
  mutable std::mutex mixLock_;
  std::uint32_t volumeA_ = 0x10000;   // guarded by mixLock_
  std::uint32_t volumeB_ = 0x10000;   // guarded by mixLock_
  std::int32_t crossFader_ = 0;       // guarded by mixLock_
  std::atomic<float> level_{0.0f};

  // Headphone controls: single words, read once per headphone block.
  std::atomic<bool> headphonesOff_{false};
  std::atomic<std::uint32_t> headphoneMasterLevel_{0};
  std::atomic<std::uint32_t> headphoneCueLevel_{0};
  std::atomic<std::uint32_t> cueSource_{0};

  // Recording: the master copies a block while recording_ is set; recordPushInFlight_ lets the
  // main thread wait out a copy in progress before it delivers the last blocks on detaching.
  std::atomic<bool> recording_{false};
  std::atomic<bool> recordPushInFlight_{false};
  RecordReceiver* recordReceiver_ = nullptr;  // [main-thread] only
  RecordQueue recordQueue_;

  MixJobPool jobPool_;
  // Deck buffers for master blocks that queue no job (headphones off), and the cue "none".
  std::unique_ptr<std::int16_t[]> spareDeckASamples_;
  std::unique_ptr<std::int16_t[]> spareDeckBSamples_;
  std::unique_ptr<std::int16_t[]> silenceSamples_;

  // [audio-thread: headphones] only: the job being played and the frames of it already played.
  MixJob* headphoneJob_ = nullptr;
  std::size_t headphoneJobOffsetFrames_ = 0;
};

}  // namespace gm
