#include "music/sound_font_trim.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>

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

// Record sizes of the preset section's sub-chunks, in the file's order.
constexpr size_t PHDR = 38, BAG = 4, MOD = 10, GEN = 4, INST = 22, SHDR = 46;
constexpr uint32_t GEN_INSTRUMENT = 41;
constexpr const char* PARTS[] = {"phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr"};
constexpr size_t PART_SIZES[] = {PHDR, BAG, MOD, GEN, INST, BAG, MOD, GEN, SHDR};

using Part = std::span<const uint8_t>;

// Zones [first, last) of a list of headers (presets or instruments) with
// their bag index at `bag_at`.
struct Range {
    uint32_t first, last;
};
Range zones_of(Part headers, size_t size, size_t bag_at, size_t i)
{
    return {u16(&headers[i * size + bag_at]), u16(&headers[(i + 1) * size + bag_at])};
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
            const uint8_t* bag = &bags_[z * BAG];
            uint32_t gen0 = u16(bag), gen1 = u16(bag + BAG), mod0 = u16(bag + 2), mod1 = u16(bag + BAG + 2);
            if (gen0 > gen1 || mod0 > mod1 || gen1 * GEN > gens_.size() || mod1 * MOD > mods_.size())
                return false;
            append16(new_bags, uint32_t(new_gens.size() / GEN));
            append16(new_bags, uint32_t(new_mods.size() / MOD));
            new_mods.insert(new_mods.end(), &mods_[mod0 * MOD], &mods_[mod1 * MOD]);
            for (uint32_t g = gen0; g < gen1; ++g) {
                const uint8_t* gen = &gens_[g * GEN];
                uint32_t amount = u16(gen + 2);
                if (u16(gen) == GEN_INSTRUMENT && !remap(amount))
                    return false;
                size_t at = new_gens.size();
                new_gens.insert(new_gens.end(), gen, gen + GEN);
                put16(&new_gens[at + 2], amount);
            }
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
    static void append16(std::vector<uint8_t>& out, uint32_t v)
    {
        out.push_back(v & 0xFF);
        out.push_back(v >> 8 & 0xFF);
    }
    Part bags_, mods_, gens_;
};

bool bag_indices_fit(Part headers, size_t size, size_t bag_at, Part bags)
{
    size_t count = headers.size() / size;
    if (count < 1)
        return false;
    for (size_t i = 0; i + 1 < count; ++i) {
        Range r = zones_of(headers, size, bag_at, i);
        if (r.first > r.last || (r.last + 1) * BAG > bags.size())
            return false;
    }
    return true;
}

void append_part(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body)
{
    size_t at = out.size();
    out.resize(at + 8);
    std::memcpy(&out[at], id, 4);
    put32(&out[at + 4], uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

std::optional<std::vector<uint8_t>> trim_section(Part section, const PresetSet& keep)
{
    // section: "LIST" size "pdta" then the nine parts in order.
    std::map<std::string, Part> parts;
    size_t pos = 12;
    for (size_t i = 0; i < std::size(PARTS); ++i) {
        if (pos + 8 > section.size() || std::memcmp(&section[pos], PARTS[i], 4) != 0)
            return std::nullopt;
        size_t size = u32(&section[pos + 4]);
        if (size % PART_SIZES[i] != 0 || pos + 8 + size > section.size())
            return std::nullopt;
        parts[PARTS[i]] = section.subspan(pos + 8, size);
        pos += 8 + size;
    }
    Part phdr = parts["phdr"], inst = parts["inst"];
    constexpr size_t PRESET_BAG = 24, INST_BAG = 20;
    if (!bag_indices_fit(phdr, PHDR, PRESET_BAG, parts["pbag"]) || !bag_indices_fit(inst, INST, INST_BAG, parts["ibag"]))
        return std::nullopt;

    Zones preset_zones(parts["pbag"], parts["pmod"], parts["pgen"]);
    Zones inst_zones(parts["ibag"], parts["imod"], parts["igen"]);
    std::vector<uint8_t> new_phdr, new_inst;
    std::map<uint32_t, uint32_t> new_index;  // old instrument -> new
    auto take_instrument = [&](uint32_t& index) {
        if (index + 1 >= inst.size() / INST)
            return false;
        auto [it, added] = new_index.emplace(index, uint32_t(new_index.size()));
        if (added) {
            size_t at = new_inst.size();
            new_inst.insert(new_inst.end(), &inst[index * INST], &inst[(index + 1) * INST]);
            put16(&new_inst[at + INST_BAG], inst_zones.bag_count());
            if (!inst_zones.copy(zones_of(inst, INST, INST_BAG, index), [](uint32_t&) { return false; }))
                return false;
        }
        index = it->second;
        return true;
    };
    size_t presets = phdr.size() / PHDR - 1;
    for (size_t i = 0; i < presets; ++i) {
        const uint8_t* header = &phdr[i * PHDR];
        if (!keep.count({int(u16(header + 22)), int(u16(header + 20))}))
            continue;
        size_t at = new_phdr.size();
        new_phdr.insert(new_phdr.end(), header, header + PHDR);
        put16(&new_phdr[at + PRESET_BAG], preset_zones.bag_count());
        if (!preset_zones.copy(zones_of(phdr, PHDR, PRESET_BAG, i), take_instrument))
            return std::nullopt;
    }
    // The closing headers ("EOP", "EOI") point past the last zone.
    new_phdr.insert(new_phdr.end(), &phdr[presets * PHDR], &phdr[(presets + 1) * PHDR]);
    put16(&new_phdr[new_phdr.size() - PHDR + PRESET_BAG], preset_zones.bag_count());
    size_t instruments = inst.size() / INST - 1;
    new_inst.insert(new_inst.end(), &inst[instruments * INST], &inst[(instruments + 1) * INST]);
    put16(&new_inst[new_inst.size() - INST + INST_BAG], inst_zones.bag_count());
    preset_zones.close();
    inst_zones.close();

    std::vector<uint8_t> out(12);
    std::memcpy(out.data(), "LIST", 4);
    std::memcpy(&out[8], "pdta", 4);
    append_part(out, "phdr", new_phdr);
    append_part(out, "pbag", preset_zones.new_bags);
    append_part(out, "pmod", preset_zones.new_mods);
    append_part(out, "pgen", preset_zones.new_gens);
    append_part(out, "inst", new_inst);
    append_part(out, "ibag", inst_zones.new_bags);
    append_part(out, "imod", inst_zones.new_mods);
    append_part(out, "igen", inst_zones.new_gens);
    Part shdr = parts["shdr"];
    append_part(out, "shdr", {shdr.begin(), shdr.end()});
    put32(&out[4], uint32_t(out.size() - 8));
    return out;
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
