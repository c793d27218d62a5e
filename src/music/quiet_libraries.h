// ALSA writes its complaints to the terminal (a machine without a sound
// card gets dozens of lines). The game reports no sound failures, so they
// are silenced once, before the first call. (The synthesiser's library is
// silenced as it is opened, in fluid_library.cpp.)
#pragma once

void quiet_audio_libraries();
