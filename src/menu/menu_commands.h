// The eight commands of the menu bar.
#pragma once

void start_Click();
void stop_Click();
void ending_Click();
void music_Click();
void se_Click();
void clear_high_Click();
void help_show_Click();
void about_Click();
