// The title piece: a cat strolling by. F major, 100 beats a minute, swung,
// 24 bars (57.6 s). A marimba tune over a walking bass, pizzicato chords on
// beats two and four, a soft kit. The last bar sits on C7, so when the game
// starts the file again the tune falls home onto F, and the wood-block
// pitter-patter of the last beat leads into the first downbeat.
#include "chart.h"
#include "drums.h"
#include "general_midi.h"
#include "pitch.h"
#include "songs.h"

namespace music {
namespace {

constexpr Meter kMeter{480, 4};
constexpr int kBars = 24;

// The tune: A is the walk, B the detour round the block, then A again with
// a turn back to the start.
constexpr const char* kTuneA =
    "F5/8 A5 C6/4 A5/8 F5 G5/4 | A5/4. F5/8 D5/4 r | Bb5/8 A5 G5 F5 D5/4 G5 | "
    "E5/8 F5 G5 Bb5 A5/4 G5 | F5/8 A5 C6/4 A5/8 F5 G5/4 | A5/4. F5/8 D6/4 C6 | ";
constexpr const char* kTuneEndA = "Bb5/8 A5 G5/4 E5/8 F5 G5 E5 | F5/4 C5 r/8 C5 D5 E5 | ";
constexpr const char* kTuneB =
    "D5/8 F5 Bb5/4 A5/8 Bb5 F5/4 | E5/8 G5 C6/4 Bb5/8 C6 G5/4 | A5/8 C6 E6/4 D6/8 C6 A5/4 | "
    "F5/4. E5/8 D5/2 | Bb5/8 G5 D5 G5 Bb5/4 D6 | G5/8 E5 C5 E5 G5/4 Bb5 | "
    "A5/4 C6 F#5/8 A5 C6 A5 | Bb5/4 G5 E5 G5 | ";
constexpr const char* kTuneTurn = "Bb5/8 A5 G5 A5 Bb5/4 D6 | C6/8 Bb5 G5 E5 G5/4 E5 | ";

// The walking bass, a quarter a step, each bar leaning into the next chord.
constexpr const char* kBassA =
    "F2/4 A2 C3 A2 | D3 A2 F2 A2 | G2 Bb2 D3 B2 | C3 Bb2 G2 E2 | "
    "F2 A2 C3 A2 | D3 C3 B2 A2 | ";
constexpr const char* kBassEndA = "G2/4 Bb2 C3 E2 | F2 A2 C3 A2 | ";
constexpr const char* kBassB =
    "Bb2/4 D3 F3 D3 | C3 G2 E2 G2 | A2 C3 E3 C3 | D3 A2 F2 A2 | "
    "G2 Bb2 D3 Bb2 | C3 E3 G2 Bb2 | A2 C3 D3 F#2 | G2 Bb2 C3 E2 | ";
constexpr const char* kBassTurn = "G2/4 Bb2 D3 B2 | C3 Bb2 G2 E2 | ";

constexpr const char* kChords =
    "F | Dm | Gm7 G7 | C7 | F | Dm | Gm7 C7 | F | "
    "Bb | C | Am | Dm | Gm | C7 | F D7 | Gm7 C7 | "
    "F | Dm | Gm7 G7 | C7 | F | Dm | Gm7 G7 | C7";
constexpr const char* kOffBeatPluck = "r/4 X r Y";

const Instrument kMarimba{"Marimba", 0, gm::kMarimba, 127, 72};
const Instrument kPizzicato{"Pizzicato", 1, gm::kPizzicatoStrings, 88, 40};
const Instrument kBass{"Bass", 2, gm::kAcousticBass, 90, 64};
const Instrument kKit{"Drums", kDrumChannel, 0, 105, 64};

Line tune() {
  const Touch touch{98};
  const Line a = parse_line(kTuneA, kMeter, touch);
  return join({a, parse_line(kTuneEndA, kMeter, touch), parse_line(kTuneB, kMeter, touch), a,
               parse_line(kTuneTurn, kMeter, touch)});
}

Line bass() {
  const Touch touch{80};
  const Line a = parse_line(kBassA, kMeter, touch);
  return join({a, parse_line(kBassEndA, kMeter, touch), parse_line(kBassB, kMeter, touch), a,
               parse_line(kBassTurn, kMeter, touch)});
}

Line drums() {
  // Ding, ding-a on the hi-hat, side stick on two and four, a soft kick.
  const Line walk = parse_drums({{gm::kClosedHat, 52, "x... x.x. x... x.x."},
                                 {gm::kSideStick, 56, ".... x... .... x..."},
                                 {gm::kKick, 62, "x... .... x... ...."}},
                                kMeter);
  // Eight bars end on paws tapping wood.
  const Line patter = parse_drums({{gm::kClosedHat, 52, "x... x.x. x... ...."},
                                   {gm::kSideStick, 56, ".... x... .... ...."},
                                   {gm::kKick, 62, "x... .... x... ...."},
                                   {gm::kHighWoodBlock, 60, ".... .... .... x.x."},
                                   {gm::kLowWoodBlock, 60, ".... .... .... .x.x"}},
                                  kMeter);
  const Line phrase = join({walk, walk, walk, walk, walk, walk, walk, patter});
  return join({phrase, phrase, phrase});
}

}  // namespace

Song title_song() {
  Song song{"Tombora: the cat's stroll", 100, kMeter, kBars * kMeter.bar_ticks(), {}};
  add_part(song, kMarimba, tune());
  add_part(song, kPizzicato, parse_line(comp_line(kChords, kOffBeatPluck), kMeter, {60, pitch_of("G3")}));
  add_part(song, kBass, bass());
  add_part(song, kKit, drums());
  swing(song);
  return song;
}

}  // namespace music
