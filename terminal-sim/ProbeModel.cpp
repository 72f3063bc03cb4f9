// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProbeModel.h"

#include "CountEncoding.h"
#include "Environment.h"
#include "SimRandom.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace kolmaris::sim {
namespace {

constexpr int kLongTermRecords = 24;
constexpr uint8_t kCompressed = 0x80;

constexpr uint8_t kClearSpectra = 0x01;
constexpr uint8_t kClearRecords = 0x02;
constexpr uint8_t kRestart = 0x04;
constexpr uint8_t kSetClock = 0x08;
constexpr uint8_t kClearTotal = 0x40;
constexpr uint8_t kResetMcu = 0x80;

void PutU16(RecordBody& b, std::size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}

// Relative height of the spectrum at a channel: background and the polonium peaks.
double Shape(std::size_t ch)
{
    auto peak = [ch](double at, double width) {
        const double d = (static_cast<double>(ch) - at) / width;
        return std::exp(-d * d);
    };
    return 0.06 + peak(38, 3.0) + 0.8 * peak(62, 3.5) + 0.15 * peak(50, 3.0);
}

}  // namespace

ProbeModel::ProbeModel(const ProbeSetup& setup, uint64_t seed, uint64_t id)
    : seed_(seed),
      id_(id),
      level_(setup.radonLevel),
      params_{setup.discrimination1, setup.discrimination2, setup.discrimination3, setup.calibration,
              setup.limit,           setup.gain,            setup.recordMinutes},
      reportsTotalCounts_(setup.reportsTotalCounts),
      totalCounts_(setup.totalCounts),
      radon_(setup.radonLevel),
      temperature_(17),
      humidity_(52),
      hv_(176)
{
}

TerminalTime ProbeModel::ProbeTime(TerminalTime terminalTime) const
{
    return static_cast<TerminalTime>(static_cast<int64_t>(terminalTime) + clockOffset_);
}

void ProbeModel::StartMeasuring(uint64_t uptime)
{
    if (measuring_)
        return;
    measuring_ = true;
    nextRecord_ = uptime + (pausedRemaining_ ? pausedRemaining_ : RecordSeconds());
    pausedRemaining_ = 0;
}

void ProbeModel::StopMeasuring(uint64_t uptime)
{
    if (!measuring_)
        return;
    measuring_ = false;
    pausedRemaining_ = nextRecord_ > uptime ? nextRecord_ - uptime : RecordSeconds();
}

RecordBody ProbeModel::Measure(TerminalTime probeTime, uint64_t key)
{
    const double phase = 0.07 * static_cast<double>(id_ % 5);
    const double swing = DailySwing(probeTime, phase);
    const double noise = Noise(seed_, id_ * 16 + 1, key);
    const double radon = std::max(0.0, level_ * (1.0 + 0.35 * swing) * (1.0 + 0.08 * noise));
    const double minutes = params_.recordMinutes ? params_.recordMinutes : 1;

    const auto r = static_cast<uint32_t>(std::lround(radon));
    const auto sum1 = static_cast<uint32_t>(std::lround(radon * minutes * 0.9 + 40.0));
    const uint32_t sums[4] = {sum1, sum1 * 3 / 5, sum1 * 3 / 10, sum1 / 10};
    const bool compressed = std::max(r, sum1) >= 0x8000;
    auto field = [compressed](uint32_t v) {
        return compressed ? EncodeCount(v) : static_cast<uint16_t>(v);
    };

    const double temperature = 15.0 + 0.6 * static_cast<double>(id_ % 7) + 2.0 * swing +
                               0.3 * Noise(seed_, id_ * 16 + 2, key);
    const double humidity = 55.0 - 7.0 * swing + 1.5 * Noise(seed_, id_ * 16 + 3, key);
    const double hv = 176.0 + 3.0 * Noise(seed_, id_ * 16 + 4, key);

    RecordBody b{};
    const TerminalTime t = probeTime;
    b[0] = static_cast<uint8_t>(t >> 24);
    b[1] = static_cast<uint8_t>(t >> 16);
    b[2] = static_cast<uint8_t>(t >> 8);
    b[3] = static_cast<uint8_t>(t);
    PutU16(b, 4, field(r));
    b[6] = static_cast<uint8_t>(static_cast<int8_t>(std::lround(temperature)));
    b[7] = static_cast<uint8_t>((compressed ? kCompressed : 0) |
                                (static_cast<uint8_t>(std::clamp(std::lround(humidity), 0L, 100L)) & 0x7F));
    for (int i = 0; i < 4; ++i)
        PutU16(b, 8 + 2 * i, field(sums[i]));
    b[16] = static_cast<uint8_t>(std::clamp(std::lround(hv), 0L, 255L));

    radon_ = r;
    temperature_ = static_cast<int8_t>(b[6]);
    humidity_ = b[7] & 0x7F;
    hv_ = b[16];
    sum1_ = static_cast<uint16_t>(std::min<uint32_t>(sum1, 0xFFFF));
    totalCounts_ += sums[0] + sums[1] + sums[2] + sums[3];
    recentRadon_.push_back(r);
    if (recentRadon_.size() > kLongTermRecords)
        recentRadon_.pop_front();

    const double perRecord = radon / 12.0 * minutes / 60.0;
    for (std::size_t ch = 0; ch < kChannels; ++ch) {
        const double add = perRecord * Shape(ch) * (1.0 + 0.2 * Noise(seed_, id_ * 1000 + 100 + ch, key));
        filling_[ch] = static_cast<uint8_t>(std::min<long>(255, filling_[ch] + std::max(0L, std::lround(add))));
    }
    return b;
}

void ProbeModel::CloseRecord(TerminalTime probeTime)
{
    ++serial_;
    ClosedRecord r;
    r.serial = serial_;
    r.body = Measure(probeTime, serial_);
    if (++recordsInBuffer_ == kRecordsPerSpectrum) {
        r.spectrum = filling_;
        PushSpectrum(filling_);
    }
    PushRecord(r);
}

void ProbeModel::PushRecord(const ClosedRecord& r)
{
    records_.push_back(r);
    if (records_.size() > kRecordRing)
        records_.pop_front();
    recordWrite_ = (recordWrite_ + 1) % kRecordRing;
    if (recordWrite_ == 0)
        recordsWrapped_ = true;
}

void ProbeModel::PushSpectrum(const Channels& c)
{
    spectra_.push_back(c);
    if (spectra_.size() > kSpectrumRing - 1)
        spectra_.pop_front();
    filling_.fill(0);
    recordsInBuffer_ = 0;
    spectrumAt_ = (spectrumAt_ + 1) % kSpectrumRing;
    if (spectrumAt_ == 0)
        spectraWrapped_ = true;
}

void ProbeModel::ClearRecords()
{
    records_.clear();
    recordWrite_ = 0;
    recordsWrapped_ = false;
}

void ProbeModel::ClearSpectra()
{
    spectra_.clear();
    filling_.fill(0);
    recordsInBuffer_ = 0;
    spectrumAt_ = 0;
    spectraWrapped_ = false;
}

uint16_t ProbeModel::RecordPointer() const
{
    return static_cast<uint16_t>(recordWrite_ | (recordsWrapped_ ? 0x1000 : 0));
}

std::optional<RecordBody> ProbeModel::RecordAt(int position) const
{
    if (position < 0 || position >= kRecordRing)
        return std::nullopt;
    const auto age = static_cast<std::size_t>((recordWrite_ - 1 - position + 2 * kRecordRing) % kRecordRing);
    if (age >= records_.size())
        return std::nullopt;
    return records_[records_.size() - 1 - age].body;
}

uint16_t ProbeModel::SpectrumPointer() const
{
    return static_cast<uint16_t>(spectrumAt_ | (spectraWrapped_ ? 0x200 : 0));
}

std::optional<Channels> ProbeModel::SpectrumAt(int position) const
{
    if (position < 0 || position >= kSpectrumRing)
        return std::nullopt;
    if (position == spectrumAt_)
        return filling_;
    const auto age = static_cast<std::size_t>((spectrumAt_ - 1 - position + 2 * kSpectrumRing) % kSpectrumRing);
    if (age >= spectra_.size())
        return std::nullopt;
    return spectra_[spectra_.size() - 1 - age];
}

std::deque<ClosedRecord> ProbeModel::RecordsAfter(uint64_t after) const
{
    std::deque<ClosedRecord> out;
    for (auto it = records_.rbegin(); it != records_.rend() && it->serial > after; ++it)
        out.push_front(*it);
    return out;
}

uint32_t ProbeModel::RadonLongTerm() const
{
    if (recentRadon_.empty())
        return radon_;
    uint64_t sum = 0;
    for (const uint32_t r : recentRadon_)
        sum += r;
    return static_cast<uint32_t>(sum / recentRadon_.size());
}

void ProbeModel::Control(uint8_t flags, TerminalTime terminalTime, TerminalTime time, uint64_t uptime)
{
    if (flags & kClearSpectra)
        ClearSpectra();
    if (flags & kClearRecords)
        ClearRecords();
    if (flags & kSetClock)
        clockOffset_ = static_cast<int64_t>(time) - static_cast<int64_t>(terminalTime);
    if (flags & kClearTotal)
        totalCounts_ = 0;
    if (flags & (kRestart | kResetMcu)) {
        filling_.fill(0);
        recordsInBuffer_ = 0;
        nextRecord_ = uptime + RecordSeconds();
        pausedRemaining_ = 0;
    }
}

void ProbeModel::SetParameters(const ProbeParameters& p, uint64_t uptime)
{
    const bool newTime = p.recordMinutes != params_.recordMinutes;
    params_ = p;
    if (newTime && measuring_)
        nextRecord_ = uptime + RecordSeconds();
}

void ProbeModel::ShapeRings(int records, int spectra, TerminalTime oldest)
{
    if (records >= 0) {
        const auto keep = static_cast<std::size_t>(std::min(records, kRecordRing));
        while (records_.size() > keep)
            records_.pop_front();
        TerminalTime t = records_.empty() ? oldest : (uint32_t{records_.front().body[0]} << 24 |
                                                       uint32_t{records_.front().body[1]} << 16 |
                                                       uint32_t{records_.front().body[2]} << 8 | records_.front().body[3]);
        // Older records, made up without touching the latest values.
        const auto latest = std::make_tuple(filling_, radon_, recentRadon_, temperature_, humidity_, hv_, sum1_,
                                            totalCounts_);
        for (uint64_t key = 1ull << 40; records_.size() < keep; ++key) {
            t -= static_cast<TerminalTime>(RecordSeconds());
            ClosedRecord r;  // serial 0: made before the terminal collected anything
            r.body = Measure(t, key);
            records_.push_front(r);
        }
        std::tie(filling_, radon_, recentRadon_, temperature_, humidity_, hv_, sum1_, totalCounts_) = latest;
        recordWrite_ = records % kRecordRing;
        recordsWrapped_ = records >= kRecordRing;
    }
    if (spectra >= 0) {
        const auto keep = static_cast<std::size_t>(std::min(spectra, kSpectrumRing - 1));
        while (spectra_.size() > keep)
            spectra_.pop_front();
        while (spectra_.size() < keep) {
            Channels c{};
            for (std::size_t ch = 0; ch < kChannels; ++ch)
                c[ch] = static_cast<uint8_t>(std::min(255.0, level_ / 1.5 * Shape(ch)));
            spectra_.push_front(c);
        }
        spectrumAt_ = spectra % kSpectrumRing;
        spectraWrapped_ = spectra >= kSpectrumRing;
    }
}

}  // namespace kolmaris::sim
