// Doubles the rate of the music: the synthesiser runs at half the output's
// rate, which halves its cost. Each new frame between two old ones is
// interpolated from the four around it (a cubic half-band step), which
// keeps the images above the music's own band far under it. The output
// lags the input by one frame of the lower rate.
#pragma once

#include <array>

class Upsampler {
public:
    // Writes two output frames for the input frame (l, r).
    void push(float l, float r, float* out_left, float* out_right)
    {
        step(left_, l, out_left);
        step(right_, r, out_right);
    }
    // Whether anything not silent is still inside.
    bool holds_sound() const
    {
        for (float v : left_)
            if (v != 0.0f)
                return true;
        for (float v : right_)
            if (v != 0.0f)
                return true;
        return false;
    }

private:
    // history: the last three inputs, oldest first.
    static void step(std::array<float, 3>& h, float next, float* out)
    {
        out[0] = h[1];
        out[1] = (9.0f * (h[1] + h[2]) - (h[0] + next)) * (1.0f / 16.0f);
        h = {h[1], h[2], next};
    }
    std::array<float, 3> left_{}, right_{};
};
