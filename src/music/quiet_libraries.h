// The sound libraries write their complaints to the terminal (a machine
// without a sound card gets dozens of lines). The game reports no sound
// failures, so they are silenced once, before the first library call.
#pragma once

void quiet_audio_libraries();
