// The round's piece: typing against the clock. G major, 150 beats a minute,
// straight eighths, 32 bars (51.2 s). A square-wave lead over a pumping bass,
// off-beat electric piano and a four-on-the-floor kit. The last bar is D7
// with the same run up (D E F#) that leads each A section into G, and its
// snare fill lands on the crash that opens the piece.
#include "chart.h"
#include "drums.h"
#include "general_midi.h"
#include "pitch.h"
#include "songs.h"

namespace music {
namespace {

constexpr Meter kMeter{480, 4};
constexpr int kBars = 32;

// The tune: A three times with three endings, B in between.
constexpr const char* kTuneA =
    "G5/8 G5 D5 G5 B5/4 A5/8 G5 | A5/8 F#5 D5 F#5 A5/4 r/8 A5 | "
    "B5/8 G5 E5 G5 B5/4 C6/8 B5 | A5/4. G5/8 E5/4 r | "
    "G5/8 G5 D5 G5 B5/4 A5/8 G5 | F#5/8 A5 D6 A5 F#5/4 E5/8 F#5 | ";
constexpr const char* kTuneEndA = "E5/8 G5 C6/4 D6/8 C6 A5/4 | B5/4 G5 r/8 D5 E5 F#5 | ";
constexpr const char* kTuneToB = "C6/8 B5 A5 G5 F#5/4 A5 | G5/4 D5/8 G5 B5/4 D6/8 F6 | ";
constexpr const char* kTuneB =
    "E6/4. D6/8 C6/4 G5 | F#5/4. A5/8 D6/4 A5 | B5/4. A5/8 F#5/4 D5 | "
    "E5/8 G5 B5 E6 D6/4 B5 | G5/8 C6 E6 C6 G5/4 E5 | A5/8 D6 F#6 D6 A5/4 F#5 | "
    "G5/8 B5 E6/4 E6/8 C#6 A5/4 | D6/4 C6 r/8 D5 E5 F#5 | ";
constexpr const char* kTuneHome = "C6/8 B5 A5 G5 E5/4 A5 | F#5/4 A5/8 C6 r/8 D5 E5 F#5 | ";

// The bass pumps eighths on the root and walks into each change.
constexpr const char* kBassA =
    "G2/8 G2 G3 G2 G2 G2 G3 G2 | F#2 F#2 F#3 F#2 F#2 F#2 F#3 F#2 | "
    "E2 E2 E3 E2 E2 E2 G2 B2 | C3 C3 C3 C3 C3 C3 B2 A2 | "
    "G2 G2 G3 G2 G2 G2 G3 G2 | D3 D3 D3 D3 D3 D3 A2 B2 | ";
constexpr const char* kBassEndA = "C3/8 C3 C3 C3 D3 D3 D3 F#2 | G2 G2 G3 G2 G2 G2 A2 B2 | ";
constexpr const char* kBassToB = "A2/8 A2 A3 A2 D3 D3 D3 F#2 | G2 G2 G3 G2 G2 A2 B2 B2 | ";
constexpr const char* kBassB =
    "C3/8 C3 C3 C3 C3 C3 E3 C3 | D3 D3 D3 D3 D3 D3 F#3 D3 | B2 B2 B2 B2 B2 B2 A2 F#2 | "
    "E2 E2 E3 E2 E2 E2 G2 B2 | C3 C3 C3 C3 C3 C3 E3 C3 | D3 D3 D3 D3 D3 D3 F#3 D3 | "
    "E3 E3 E3 E3 A2 A2 A2 C#3 | D3 D3 D3 D3 D3 D3 C3 A2 | ";
constexpr const char* kBassHome = "A2/8 A2 A3 A2 A2 A2 B2 C3 | D3 D3 D3 D3 D3 D3 C3 A2 | ";

constexpr const char* kChords =
    "G | D/F# | Em | C | G | D | C D | G | "
    "G | D/F# | Em | C | G | D | Am7 D7 | G G7 | "
    "C | D | Bm | Em | C | D | Em A7 | D D7 | "
    "G | D/F# | Em | C | G | D | Am7 | D7";
constexpr const char* kOffBeatStabs = "r/8 X r X r Y r Y";

const Instrument kLead{"Lead", 0, gm::kSquareLead, 96, 64};
const Instrument kPiano{"Electric piano", 1, gm::kElectricPiano, 92, 44};
const Instrument kBass{"Bass", 2, gm::kFingeredBass, 88, 64};
const Instrument kKit{"Drums", kDrumChannel, 0, 95, 64};

Line tune() {
  const Touch touch{86};
  const Line a = parse_line(kTuneA, kMeter, touch);
  return join({a, parse_line(kTuneEndA, kMeter, touch), a, parse_line(kTuneToB, kMeter, touch),
               parse_line(kTuneB, kMeter, touch), a, parse_line(kTuneHome, kMeter, touch)});
}

Line bass() {
  const Touch touch{92};
  const Line a = parse_line(kBassA, kMeter, touch);
  return join({a, parse_line(kBassEndA, kMeter, touch), a, parse_line(kBassToB, kMeter, touch),
               parse_line(kBassB, kMeter, touch), a, parse_line(kBassHome, kMeter, touch)});
}

// The B section claps along with the snare for a lift.
enum class Backbeat { kSnare, kSnareAndClap };

// Eight bars: the opening bar with a crash, six more of the beat, a fill.
Line phrase(Backbeat backbeat) {
  std::vector<DrumRow> beat_rows{{gm::kKick, 96, "x... x... x... x..."},
                                 {gm::kClosedHat, 58, "x.X. x.X. x.X. x.X."},
                                 {gm::kSnare, 84, ".... x... .... x..."}};
  if (backbeat == Backbeat::kSnareAndClap) beat_rows.push_back({gm::kClap, 70, ".... x... .... x..."});
  std::vector<DrumRow> opening_rows = beat_rows;
  opening_rows.push_back({gm::kCrash, 80, "x... .... .... ...."});
  const Line opening = parse_drums(opening_rows, kMeter);
  const Line beat = parse_drums(beat_rows, kMeter);
  const Line fill = parse_drums({{gm::kKick, 96, "x... x... x... ...."},
                                 {gm::kClosedHat, 58, "x.X. x.X. x.X. ...."},
                                 {gm::kSnare, 84, ".... x... .... oxxX"}},
                                kMeter);
  return join({opening, beat, beat, beat, beat, beat, beat, fill});
}

}  // namespace

Song round_song() {
  Song song{"Tombora: against the clock", 150, kMeter, kBars * kMeter.bar_ticks(), {}};
  add_part(song, kLead, tune());
  add_part(song, kPiano, parse_line(comp_line(kChords, kOffBeatStabs), kMeter, {62, pitch_of("G3")}));
  add_part(song, kBass, bass());
  const Line plain = phrase(Backbeat::kSnare);
  add_part(song, kKit, join({plain, plain, phrase(Backbeat::kSnareAndClap), plain}));
  return song;
}

}  // namespace music
