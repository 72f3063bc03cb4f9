// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryRecorder.h"

namespace kolmaris::sim {
namespace {

constexpr TerminalTime kEventTimeSpan = 0x0FFF;

void PutU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v)
{
    PutU16(out, static_cast<uint16_t>(v >> 16));
    PutU16(out, static_cast<uint16_t>(v));
}

uint32_t U32At(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

MemoryRecord EventRecord(TerminalTime time, uint8_t m0High, uint8_t code)
{
    MemoryRecord r;
    r.kind = MemoryRecordInfo::Kind::Event;
    r.time = time;
    r.data = {static_cast<uint8_t>((m0High << 4) | ((time >> 8) & 0x0F)), static_cast<uint8_t>(time), code};
    return r;
}

}  // namespace

void MemoryRecorder::SetRecording(bool on)
{
    recording_ = on;
    if (!on)
        return;
    while (!queue_.empty()) {
        memory_.Append(queue_.front());
        queue_.pop_front();
    }
}

void MemoryRecorder::Reset()
{
    queue_.clear();
    lastMeteo_.reset();
}

void MemoryRecorder::Write(std::vector<MemoryRecord> group)
{
    if (recording_) {
        memory_.Append(group);
        return;
    }
    if (queue_.size() == kQueuedGroups)
        queue_.pop_front();
    queue_.push_back(std::move(group));
}

MemoryRecord MemoryRecorder::MeteoRecord(TerminalTime time, const MeteoValues& values)
{
    MemoryRecord r;
    r.kind = MemoryRecordInfo::Kind::Meteo;
    r.time = time;
    PutU32(r.data, time);
    PutU16(r.data, values.pressure);
    PutU16(r.data, values.temperature);
    PutU16(r.data, values.humidity);
    PutU16(r.data, values.voltage);
    lastMeteo_ = time;
    return r;
}

void MemoryRecorder::Meteo(TerminalTime time, const MeteoValues& values)
{
    Write({MeteoRecord(time, values)});
}

void MemoryRecorder::Event(TerminalTime time, uint8_t m0High, uint8_t code)
{
    std::vector<MemoryRecord> group;
    if (!lastMeteo_ || time < *lastMeteo_ || time - *lastMeteo_ > kEventTimeSpan)
        group.push_back(MeteoRecord(time, meteoAt_(time)));
    group.push_back(EventRecord(time, m0High, code));
    Write(std::move(group));
}

void MemoryRecorder::ElementEvent(TerminalTime time, uint8_t meshAddress, uint8_t code)
{
    if (meshAddress < 1 || meshAddress > 16 || code == kTerminalEventCode)
        return;
    Event(time, static_cast<uint8_t>(meshAddress - 1), code);
}

void MemoryRecorder::TerminalEvent(TerminalTime time, uint8_t type)
{
    if (type >= kStartEventType)
        return;
    Event(time, type, kTerminalEventCode);
}

void MemoryRecorder::StartEvent(TerminalTime time)
{
    MemoryRecord start = EventRecord(time, kStartEventType, kTerminalEventCode);
    Write({std::move(start), MeteoRecord(time, meteoAt_(time))});
}

void MemoryRecorder::ProbeRecord(const std::array<uint8_t, kRadonBytes>& record,
                                 const std::optional<std::array<uint8_t, kSpectrumBytes>>& spectrum)
{
    const TerminalTime time = U32At(record.data() + 1);
    std::vector<MemoryRecord> group;
    group.push_back({MemoryRecordInfo::Kind::Radon, {record.begin(), record.end()}, time});
    if (spectrum)
        group.push_back({MemoryRecordInfo::Kind::Spectrum, {spectrum->begin(), spectrum->end()}, time});
    Write(std::move(group));
}

}  // namespace kolmaris::sim
