#include "music/sound_font_trim.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <span>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint32_t u16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t u32(const uint8_t* p) { return u16(p) | u16(p + 2) << 16; }
void put16(uint8_t* p, uint32_t v)
{
    p[0] = v & 0xFF;
    p[1] = v >> 8 & 0xFF;
}
void put32(uint8_t* p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

bool read_at(std::FILE* file, uint64_t offset, uint8_t* out, size_t count)
{
    return std::fseek(file, long(offset), SEEK_SET) == 0 && std::fread(out, 1, count, file) == count;
}

// The preset section holds nine parts, always in this order: three levels
// of lists (presets, instruments, samples); each preset and instrument
// owns a run of zones ("bags"), each zone a run of modulators and one of
// generators. Every list ends with a closing record.
enum PartIndex : size_t { PHDR, PBAG, PMOD, PGEN, INST, IBAG, IMOD, IGEN, SHDR, PART_COUNT };
struct PartKind {
    char id[5];
    size_t record_size;
};
constexpr PartKind PART_KINDS[PART_COUNT] = {
    {"phdr", 38}, {"pbag", 4}, {"pmod", 10}, {"pgen", 4}, {"inst", 22},
    {"ibag", 4},  {"imod", 10}, {"igen", 4}, {"shdr", 46},
};

using Part = std::span<const uint8_t>;
using Parts = std::array<Part, PART_COUNT>;

// Where a preset or instrument header keeps its first zone's index.
struct HeaderLayout {
    size_t size, bag_at;
};
constexpr HeaderLayout PRESET{PART_KINDS[PHDR].record_size, 24}, INSTRUMENT{PART_KINDS[INST].record_size, 20};
constexpr size_t PRESET_PROGRAM_AT = 20, PRESET_BANK_AT = 22;
// A zone: the index of its first generator, then of its first modulator.
constexpr size_t BAG = PART_KINDS[PBAG].record_size, BAG_GEN_AT = 0, BAG_MOD_AT = 2;
// A generator: its operator, then its amount.
constexpr size_t GEN = PART_KINDS[PGEN].record_size, GEN_OPERATOR_AT = 0, GEN_AMOUNT_AT = 2;
constexpr size_t MOD = PART_KINDS[PMOD].record_size;
// The generator whose amount is the index of the instrument a preset zone plays.
constexpr uint32_t GEN_INSTRUMENT = 41;

Part record(Part list, size_t size, size_t index) { return list.subspan(index * size, size); }
uint32_t field16(Part record, size_t at) { return u16(record.subspan(at, 2).data()); }
// Headers in a list, the closing one included.
size_t count(Part headers, HeaderLayout layout) { return headers.size() / layout.size; }

// Zones [first, last) of header `i`: the next header's index ends them.
struct Range {
    uint32_t first, last;
};
Range zones_of(Part headers, HeaderLayout layout, size_t i)
{
    return {field16(record(headers, layout.size, i), layout.bag_at),
            field16(record(headers, layout.size, i + 1), layout.bag_at)};
}

// Appends a copy of a header whose zones now start at `bag`.
void append_header(std::vector<uint8_t>& out, Part header, HeaderLayout layout, uint32_t bag)
{
    size_t at = out.size();
    out.insert(out.end(), header.begin(), header.end());
    put16(&out[at + layout.bag_at], bag);
}

void append16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8 & 0xFF);
}

// Copies the zones of one preset or instrument, with their generators
// and modulators, to the end of the new lists.
class Zones {
public:
    Zones(Part bags, Part mods, Part gens) : bags_(bags), mods_(mods), gens_(gens) {}

    // `remap` changes a generator's amount (the instrument's index) when it
    // names an instrument; false when an index points outside its list.
    template <typename Remap>
    bool copy(Range zones, Remap remap)
    {
        for (uint32_t z = zones.first; z < zones.last; ++z) {
            Part bag = record(bags_, BAG, z), next = record(bags_, BAG, z + 1);
            uint32_t gen0 = field16(bag, BAG_GEN_AT), gen1 = field16(next, BAG_GEN_AT);
            uint32_t mod0 = field16(bag, BAG_MOD_AT), mod1 = field16(next, BAG_MOD_AT);
            if (gen0 > gen1 || mod0 > mod1 || gen1 * GEN > gens_.size() || mod1 * MOD > mods_.size())
                return false;
            append16(new_bags, uint32_t(new_gens.size() / GEN));
            append16(new_bags, uint32_t(new_mods.size() / MOD));
            Part mods = mods_.subspan(mod0 * MOD, (mod1 - mod0) * MOD);
            new_mods.insert(new_mods.end(), mods.begin(), mods.end());
            for (uint32_t g = gen0; g < gen1; ++g)
                if (!copy_generator(record(gens_, GEN, g), remap))
                    return false;
        }
        return true;
    }
    // The closing records the format asks for.
    void close()
    {
        append16(new_bags, uint32_t(new_gens.size() / GEN));
        append16(new_bags, uint32_t(new_mods.size() / MOD));
        new_mods.resize(new_mods.size() + MOD);
        new_gens.resize(new_gens.size() + GEN);
    }
    uint32_t bag_count() const { return uint32_t(new_bags.size() / BAG); }

    std::vector<uint8_t> new_bags, new_mods, new_gens;

private:
    template <typename Remap>
    bool copy_generator(Part gen, Remap remap)
    {
        uint32_t amount = field16(gen, GEN_AMOUNT_AT);
        if (field16(gen, GEN_OPERATOR_AT) == GEN_INSTRUMENT && !remap(amount))
            return false;
        size_t at = new_gens.size();
        new_gens.insert(new_gens.end(), gen.begin(), gen.end());
        put16(&new_gens[at + GEN_AMOUNT_AT], amount);
        return true;
    }

    Part bags_, mods_, gens_;
};

// The nine parts of a section ("LIST" size "pdta" then the parts), each a
// whole number of records; nothing when one is missing or out of order.
std::optional<Parts> split_parts(Part section)
{
    Parts parts;
    size_t pos = 12;
    for (size_t i = 0; i < PART_COUNT; ++i) {
        if (pos + 8 > section.size() || std::memcmp(section.data() + pos, PART_KINDS[i].id, 4) != 0)
            return std::nullopt;
        size_t size = u32(section.data() + pos + 4);
        if (size % PART_KINDS[i].record_size != 0 || pos + 8 + size > section.size())
            return std::nullopt;
        parts[i] = section.subspan(pos + 8, size);
        pos += 8 + size;
    }
    return parts;
}

// Every header but the closing one owns a run of zones inside `bags`,
// closing zone included.
bool bag_indices_fit(Part headers, HeaderLayout layout, Part bags)
{
    if (count(headers, layout) < 1)
        return false;
    for (size_t i = 0; i + 1 < count(headers, layout); ++i) {
        Range r = zones_of(headers, layout, i);
        if (r.first > r.last || (r.last + 1) * BAG > bags.size())
            return false;
    }
    return true;
}

// Builds the new lists: the kept presets in their order, and each
// instrument they play once, in the order first played.
class SectionTrimmer {
public:
    explicit SectionTrimmer(const Parts& parts)
        : parts_(parts), preset_zones_(parts[PBAG], parts[PMOD], parts[PGEN]),
          instrument_zones_(parts[IBAG], parts[IMOD], parts[IGEN])
    {
    }

    bool copy_presets(const PresetSet& keep)
    {
        for (size_t i = 0; i + 1 < count(parts_[PHDR], PRESET); ++i) {
            Part header = record(parts_[PHDR], PRESET.size, i);
            if (!keep.count({int(field16(header, PRESET_BANK_AT)), int(field16(header, PRESET_PROGRAM_AT))}))
                continue;
            append_header(new_presets_, header, PRESET, preset_zones_.bag_count());
            auto take = [this](uint32_t& index) { return take_instrument(index); };
            if (!preset_zones_.copy(zones_of(parts_[PHDR], PRESET, i), take))
                return false;
        }
        return true;
    }

    // The closing headers ("EOP", "EOI") point past the last zone.
    void close()
    {
        append_closing(new_presets_, parts_[PHDR], PRESET, preset_zones_.bag_count());
        append_closing(new_instruments_, parts_[INST], INSTRUMENT, instrument_zones_.bag_count());
        preset_zones_.close();
        instrument_zones_.close();
    }

    std::vector<uint8_t> section() const
    {
        std::vector<uint8_t> out(12);
        std::memcpy(out.data(), "LIST", 4);
        std::memcpy(&out[8], "pdta", 4);
        const std::vector<uint8_t>* bodies[] = {
            &new_presets_,     &preset_zones_.new_bags,     &preset_zones_.new_mods,     &preset_zones_.new_gens,
            &new_instruments_, &instrument_zones_.new_bags, &instrument_zones_.new_mods, &instrument_zones_.new_gens,
        };
        for (size_t i = 0; i < std::size(bodies); ++i)
            append_part(out, PART_KINDS[i].id, *bodies[i]);
        append_part(out, PART_KINDS[SHDR].id, parts_[SHDR]);
        put32(&out[4], uint32_t(out.size() - 8));
        return out;
    }

private:
    static void append_closing(std::vector<uint8_t>& out, Part headers, HeaderLayout layout, uint32_t bag)
    {
        append_header(out, record(headers, layout.size, count(headers, layout) - 1), layout, bag);
    }

    static void append_part(std::vector<uint8_t>& out, const char* id, Part body)
    {
        size_t at = out.size();
        out.resize(at + 8);
        std::memcpy(&out[at], id, 4);
        put32(&out[at + 4], uint32_t(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }

    // Turns an old instrument index into the new one, copying the
    // instrument the first time a kept preset plays it.
    bool take_instrument(uint32_t& index)
    {
        if (index + 1 >= count(parts_[INST], INSTRUMENT))
            return false;
        auto [it, added] = new_index_.emplace(index, uint32_t(new_index_.size()));
        if (added) {
            append_header(new_instruments_, record(parts_[INST], INSTRUMENT.size, index), INSTRUMENT,
                          instrument_zones_.bag_count());
            auto no_instruments = [](uint32_t&) { return false; };
            if (!instrument_zones_.copy(zones_of(parts_[INST], INSTRUMENT, index), no_instruments))
                return false;
        }
        index = it->second;
        return true;
    }

    const Parts& parts_;
    Zones preset_zones_, instrument_zones_;
    std::vector<uint8_t> new_presets_, new_instruments_;
    std::map<uint32_t, uint32_t> new_index_;  // old instrument -> new
};

std::optional<std::vector<uint8_t>> trim_section(Part section, const PresetSet& keep)
{
    std::optional<Parts> parts = split_parts(section);
    if (!parts || !bag_indices_fit((*parts)[PHDR], PRESET, (*parts)[PBAG])
        || !bag_indices_fit((*parts)[INST], INSTRUMENT, (*parts)[IBAG]))
        return std::nullopt;
    SectionTrimmer trimmer(*parts);
    if (!trimmer.copy_presets(keep))
        return std::nullopt;
    trimmer.close();
    return trimmer.section();
}

}  // namespace

PresetSet presets_with_fallbacks(const PresetSet& wanted)
{
    PresetSet keep = wanted;
    for (auto [bank, program] : wanted)
        keep.insert(bank >= 128 ? std::pair{128, 0} : std::pair{0, program});
    return keep;
}

std::optional<TrimmedSoundFont> trim_sound_font(const std::string& path, const PresetSet& keep)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0)
        return std::nullopt;
    long end = std::ftell(file.get());
    uint8_t header[12];
    if (end < 12 || !read_at(file.get(), 0, header, 12) || std::memcmp(header, "RIFF", 4) != 0
        || std::memcmp(header + 8, "sfbk", 4) != 0 || u32(header + 4) + 8ull != uint64_t(end))
        return std::nullopt;
    // The top-level lists, up to the preset section, which must be last.
    uint64_t pos = 12;
    while (pos + 12 <= uint64_t(end)) {
        uint8_t list[12];
        if (!read_at(file.get(), pos, list, 12) || std::memcmp(list, "LIST", 4) != 0)
            return std::nullopt;
        uint64_t next = pos + 8 + u32(list + 4) + (u32(list + 4) & 1);
        if (std::memcmp(list + 8, "pdta", 4) == 0) {
            if (next != uint64_t(end))
                return std::nullopt;
            std::vector<uint8_t> section(next - pos);
            if (!read_at(file.get(), pos, section.data(), section.size()))
                return std::nullopt;
            auto tail = trim_section(section, keep);
            if (!tail)
                return std::nullopt;
            return TrimmedSoundFont{pos, std::move(*tail)};
        }
        pos = next;
    }
    return std::nullopt;
}
