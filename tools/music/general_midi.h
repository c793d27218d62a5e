// General MIDI names for the sounds the pieces use (programs counted from 0).
#pragma once

namespace music::gm {

// Programs.
constexpr int kElectricPiano = 4;
constexpr int kMarimba = 12;
constexpr int kAcousticBass = 32;
constexpr int kFingeredBass = 33;
constexpr int kPizzicatoStrings = 45;
constexpr int kSquareLead = 80;

// Percussion keys on the drum channel.
constexpr int kKick = 36;
constexpr int kSideStick = 37;
constexpr int kSnare = 38;
constexpr int kClap = 39;
constexpr int kClosedHat = 42;
constexpr int kCrash = 49;
constexpr int kHighWoodBlock = 76;
constexpr int kLowWoodBlock = 77;

}  // namespace music::gm
