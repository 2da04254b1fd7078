#include "CLowPassFilter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "CInstrument.h"

#include "CLowPassKernels.h"
#include "CLowPassPass.h"

static_assert(CLowPassFilter::kBlockFrames % CLowPassKernels::kGroup == 0,
              "blocks are filtered in whole groups");

namespace {

// Below this many products (slots times live taps, about half a millisecond of work) a second
// thread costs more than it saves.
constexpr uint64_t kParallelProducts = uint64_t{1} << 24;

// A long song is cut into segments that the threads take in turn, so that a thread that gets
// less of the processor does less of the work; at most this many, of at least that many blocks.
constexpr uint64_t kMaxSegments = 128;
constexpr uint64_t kMinSegmentBlocks = 4;

float Coefficient(int offset) {
    if (offset == 0) {
        return 0.5f;
    }
    return static_cast<float>(std::sin(offset * CInstrument::kPi * 0.5) /
                              (offset * CInstrument::kPi));
}

// A tap whose product truncates to 0 for every 16-bit input can never change a result.
bool IsLive(float c) {
    return std::fabs(static_cast<double>(c)) * 32768.0 >= 1.0;
}

bool SingleMatchesDouble(float c) {
    for (int32_t x = -32768; x <= 32767; ++x) {
        const float single = static_cast<float>(x) * c;
        const double wide = static_cast<double>(x) * static_cast<double>(c);
        if (static_cast<int32_t>(single) != static_cast<int32_t>(wide)) {
            return false;
        }
    }
    return true;
}

// Whether trunc(x * c) comes out the same in single and double precision for every 16-bit
// x. Each coefficient is checked once per process.
bool SingleIsExact(const std::vector<float>& coefs) {
    static std::mutex mutex;
    static std::map<uint32_t, bool> known;
    const std::lock_guard<std::mutex> lock(mutex);
    for (const float c : coefs) {
        uint32_t key = 0;
        std::memcpy(&key, &c, sizeof key);
        auto found = known.find(key);
        if (found == known.end()) {
            found = known.emplace(key, SingleMatchesDouble(c)).first;
        }
        if (!found->second) {
            return false;
        }
    }
    return true;
}

template <typename T>
struct KernelSet;

template <>
struct KernelSet<float> {
    static constexpr auto kPortable = &CLowPassKernels::PortableFloat;
    static constexpr auto kAvx2 = &CLowPassKernels::Avx2Float;
    static constexpr auto kAvx512 = &CLowPassKernels::Avx512Float;
};

template <>
struct KernelSet<double> {
    static constexpr auto kPortable = &CLowPassKernels::PortableDouble;
    static constexpr auto kAvx2 = &CLowPassKernels::Avx2Double;
    static constexpr auto kAvx512 = &CLowPassKernels::Avx512Double;
};

template <typename T>
typename CLowPassPass<T>::Kernel KernelFor(CLowPassFilter::EPath path) {
    switch (path) {
        case CLowPassFilter::EPath::Avx512:
            return KernelSet<T>::kAvx512;
        case CLowPassFilter::EPath::Avx2:
            return KernelSet<T>::kAvx2;
        default:
            return KernelSet<T>::kPortable;
    }
}

// Hands out the progress steps that the slot-by-slot filter would make: one whenever the
// count of filtered slots reaches the threshold, one per slot when the threshold is 0.
class ProgressSteps {
public:
    ProgressSteps(uint32_t nProgressSize, const std::function<void()>& step)
        : m_threshold(nProgressSize / 100), m_step(step) {}

    void Reached(uint64_t done) {
        const uint64_t due = m_threshold == 0 ? done : done / m_threshold;
        while (m_made < due) {
            ++m_made;
            if (m_step) {
                m_step();
            }
        }
    }

private:
    uint64_t m_threshold;
    const std::function<void()>& m_step;
    uint64_t m_made = 0;
};

// The frames of a run cut into segments. Each segment starts from the unfiltered inputs
// before it, saved before any slot is overwritten, so that segments can be filtered in any
// order and by any thread.
template <typename T>
class Segments {
public:
    Segments(const CLowPassPass<T>& pass, uint64_t frames, bool bSplit) : m_frames(frames) {
        const uint64_t block = CLowPassFilter::kBlockFrames;
        const uint64_t blocks = (frames + block - 1) / block;
        const uint64_t perSegment =
            bSplit ? std::max(kMinSegmentBlocks, (blocks + kMaxSegments - 1) / kMaxSegments)
                   : std::max<uint64_t>(blocks, 1);
        m_segmentFrames = perSegment * block;
        m_count = static_cast<uint32_t>((blocks + perSegment - 1) / perSegment);
        m_historySize = pass.HistorySize();
        m_histories.resize(m_count * m_historySize);
        for (uint32_t s = 0; s < m_count; ++s) {
            pass.SaveHistory(s * m_segmentFrames, m_histories.data() + s * m_historySize);
        }
    }

    // Filters segments with pass until none is left, or until afterBlock returns false.
    template <typename AfterBlock>
    void Work(CLowPassPass<T>& pass, AfterBlock&& afterBlock) {
        for (uint32_t s = m_next++; s < m_count; s = m_next++) {
            const uint64_t begin = s * m_segmentFrames;
            pass.SetHistory(m_histories.data() + s * m_historySize);
            if (!pass.Filter(begin, std::min(begin + m_segmentFrames, m_frames), afterBlock)) {
                return;
            }
        }
    }

private:
    uint64_t m_frames;
    uint64_t m_segmentFrames = 0;
    uint32_t m_count = 0;
    size_t m_historySize = 0;
    std::vector<T> m_histories;
    std::atomic<uint32_t> m_next{0};
};

// Runs the second thread's share; without a thread to be had, the calling thread does it all.
template <typename T>
std::jthread StartHelper(Segments<T>& segments, CLowPassPass<T>& pass,
                         std::atomic<uint64_t>& done) {
    try {
        return std::jthread([&segments, &pass, &done](std::stop_token stop) {
            segments.Work(pass, [&done, &stop](uint64_t n) {
                done.fetch_add(n);
                done.notify_one();
                return !stop.stop_requested();
            });
        });
    } catch (const std::system_error&) {
        return std::jthread();
    }
}

}  // namespace

CLowPassFilter::CLowPassFilter(int nTaps, EPath path, bool bDoubleOnly) {
    const int n = nTaps < 1 ? 1 : (nTaps | 1);
    const int half = n / 2;
    for (int k = 0; k < n; ++k) {
        const float coef = Coefficient(k > half ? k - half : half - k);
        if (IsLive(coef)) {
            m_offsets.push_back(k);
            m_liveFloat.push_back(coef);
            m_liveDouble.push_back(static_cast<double>(coef));
        }
    }
    m_nHistory = n - 1;
    m_bSingle = !bDoubleOnly && SingleIsExact(m_liveFloat);
    if (path == EPath::Auto) {
        path = IsAvailable(EPath::Avx512) ? EPath::Avx512
               : IsAvailable(EPath::Avx2) ? EPath::Avx2
                                          : EPath::Portable;
    }
    m_path = IsAvailable(path) ? path : EPath::Portable;
}

bool CLowPassFilter::IsAvailable(EPath path) {
    switch (path) {
        case EPath::Avx512:
            return CLowPassKernels::HasAvx512();
        case EPath::Avx2:
            return CLowPassKernels::HasAvx2();
        default:
            return true;
    }
}

void CLowPassFilter::Run(int16_t* slots, uint32_t total, bool stereo, int bits,
                         uint32_t nProgressSize, const std::function<void()>& step) const {
    if (m_bSingle) {
        RunWith(m_liveFloat, slots, total, stereo, bits, nProgressSize, step);
    } else {
        RunWith(m_liveDouble, slots, total, stereo, bits, nProgressSize, step);
    }
}

template <typename T>
void CLowPassFilter::RunWith(const std::vector<T>& coefs, int16_t* slots, uint32_t total,
                             bool stereo, int bits, uint32_t nProgressSize,
                             const std::function<void()>& step) const {
    const uint32_t channels = stereo ? 2 : 1;
    const typename CLowPassPass<T>::SSetup setup{m_offsets.data(),
                                                 coefs.data(),
                                                 static_cast<int32_t>(coefs.size()),
                                                 m_nHistory,
                                                 KernelFor<T>(m_path),
                                                 kBlockFrames,
                                                 slots,
                                                 total,
                                                 channels,
                                                 bits};
    const uint64_t frames = (static_cast<uint64_t>(total) + channels - 1) / channels;
    const bool bSplit = uint64_t{total} * coefs.size() >= kParallelProducts &&
                        std::thread::hardware_concurrency() >= 2;

    // Everything that can fail for want of memory is obtained before any slot changes.
    CLowPassPass<T> front(setup);
    std::optional<CLowPassPass<T>> back;
    if (bSplit) {
        back.emplace(setup);
    }
    Segments<T> segments(front, frames, bSplit);

    std::atomic<uint64_t> backDone{0};
    std::jthread helper;  // stopped and joined first when a progress step throws
    if (back) {
        helper = StartHelper(segments, *back, backDone);
    }
    ProgressSteps progress(nProgressSize, step);
    uint64_t frontDone = 0;
    segments.Work(front, [&](uint64_t n) {
        frontDone += n;
        progress.Reached(frontDone + backDone.load());
        return true;
    });
    for (uint64_t seen = backDone.load(); frontDone + seen < total; seen = backDone.load()) {
        progress.Reached(frontDone + seen);
        backDone.wait(seen);
    }
    progress.Reached(total);
}
