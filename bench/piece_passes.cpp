#include "piece_passes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "sink_recording.h"

namespace {

using Spectrum = std::vector<std::complex<double>>;

// A start: the head in sixths, each looked for this far either side of
// where it is due; one may miss; the first sixth is looked for where it
// matches at least COARSE_MATCH.
constexpr size_t HEAD_PARTS = 6;
constexpr size_t PART_SLACK = SINK_RATE * 30 / 1000;
constexpr size_t PARTS_MISSED = 1;
constexpr double COARSE_MATCH = 0.5;

constexpr size_t END = SINK_RATE;  // the end compared: one second
constexpr size_t END_SHIFT = SINK_RATE / 2;

// a * b, written out: std::complex's operator checks for infinities.
std::complex<double> times(std::complex<double> a, std::complex<double> b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// In-place radix-2 FFT; a.size() is a power of two.
void fft(Spectrum& a, bool inverse)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    // The n-th roots of unity, of which each stage takes every (n / len)-th.
    std::vector<std::complex<double>> roots(n / 2);
    const double turn = (inverse ? 2 : -2) * std::numbers::pi / double(n);
    for (size_t k = 0; k < roots.size(); ++k)
        roots[k] = std::polar(1.0, turn * double(k));
    for (size_t len = 2; len <= n; len <<= 1) {
        const size_t step = n / len;
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; ++k) {
                auto u = a[i + k], v = times(a[i + k + len / 2], roots[k * step]);
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
    }
    if (inverse)
        for (auto& v : a)
            v /= double(n);
}

Spectrum spectrum_of(std::span<const float> x, size_t n)
{
    Spectrum a(n);
    std::copy(x.begin(), x.end(), a.begin());
    fft(a, false);
    return a;
}

// sum over k of x[s + k] * t[k], for every start s, a block of x at a
// time (overlap-save): a block of n frames gives n - t.size() + 1 starts;
// a short x takes one block.
std::vector<double> cross_correlation(std::span<const float> x, std::span<const float> t)
{
    size_t n = 1;
    while (n < std::min(x.size(), 4 * t.size()))
        n <<= 1;
    Spectrum ts = spectrum_of(t, n);
    for (auto& v : ts)
        v = std::conj(v);
    const size_t starts = x.size() - t.size() + 1, hop = n - t.size() + 1;
    std::vector<double> c(starts);
    for (size_t from = 0; from < starts; from += hop) {
        Spectrum block = spectrum_of(x.subspan(from, std::min(n, x.size() - from)), n);
        for (size_t i = 0; i < n; ++i)
            block[i] = times(block[i], ts[i]);
        fft(block, true);
        for (size_t s = 0; s < hop && from + s < starts; ++s)
            c[from + s] = block[s].real();
    }
    return c;
}

// Whether r[i] is the first best within [i - half, i + half].
bool peak_at(const std::vector<double>& r, size_t i, size_t half)
{
    size_t from = i > half ? i - half : 0, to = std::min(r.size(), i + half + 1);
    for (size_t j = from; j < to; ++j)
        if (r[j] > r[i] || (r[j] == r[i] && j < i))
            return false;
    return true;
}

}  // namespace

std::vector<double> correlation_curve(std::span<const float> x, std::span<const float> t)
{
    if (t.empty() || x.size() < t.size())
        return {};
    std::vector<double> r = cross_correlation(x, t);
    double tt = 0;
    for (float v : t)
        tt += double(v) * v;
    std::vector<double> energy(x.size() + 1, 0.0);  // energy[i]: x[0..i) squared
    for (size_t i = 0; i < x.size(); ++i)
        energy[i + 1] = energy[i] + double(x[i]) * x[i];
    for (size_t s = 0; s < r.size(); ++s) {
        double xx = energy[s + t.size()] - energy[s];
        // The running sums cannot resolve a window far quieter than the
        // template, and forty decibels down is not the piece anyway.
        r[s] = xx > 1e-4 * tt ? r[s] / std::sqrt(xx * tt) : 0;
    }
    return r;
}

namespace {

// Whether the head is heard from about frame `near` on (see find_starts).
std::optional<Start> head_heard(std::span<const float> x, std::span<const float> head, size_t near)
{
    const size_t part = head.size() / HEAD_PARTS;
    std::optional<Start> start;
    size_t missed = 0;
    for (size_t k = 0; k < HEAD_PARTS; ++k) {
        const Lag heard = lag_of(x, head.subspan(k * part, part), near + k * part, PART_SLACK);
        if (heard.correlation < PIECE_MATCH) {
            if (++missed > PARTS_MISSED)
                return std::nullopt;
            continue;
        }
        if (!start)
            start = Start{size_t(long(near) + heard.frames), heard.correlation};
        start->correlation = std::min(start->correlation, heard.correlation);
    }
    return start;
}

}  // namespace

std::vector<Start> find_starts(std::span<const float> x, std::span<const float> head)
{
    // The first sixth may be the one missed (the beginning not heard): the
    // second is looked for too.
    const size_t part = head.size() / HEAD_PARTS;
    std::vector<Start> starts;
    for (size_t k : {0, 1}) {
        const std::vector<double> r = correlation_curve(x, head.subspan(k * part, part));
        for (size_t i = k * part; i < r.size(); ++i)
            if (r[i] >= COARSE_MATCH && peak_at(r, i, part / 2))
                if (auto s = head_heard(x, head, i - k * part))
                    starts.push_back(*s);
    }
    std::sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.frame < b.frame; });
    // The same start found from either sixth: the better one stays.
    std::vector<Start> distinct;
    for (const Start& s : starts) {
        if (!distinct.empty() && s.frame - distinct.back().frame <= PART_SLACK) {
            if (s.correlation > distinct.back().correlation)
                distinct.back() = s;
            continue;
        }
        distinct.push_back(s);
    }
    return distinct;
}

Lag lag_of(std::span<const float> x, std::span<const float> music, size_t at, size_t search)
{
    const size_t from = at > search ? at - search : 0, to = std::min(x.size(), at + music.size() + search);
    if (to < from + music.size())
        return {};
    const std::vector<double> r = correlation_curve(x.subspan(from, to - from), music);
    const size_t best = size_t(std::max_element(r.begin(), r.end()) - r.begin());
    return {long(from + best) - long(at), r[best]};
}

std::optional<PassEnd> pass_end(std::span<const float> x, std::span<const float> render, size_t length, size_t start)
{
    if (length < END || render.size() < length || start + length > x.size())
        return std::nullopt;
    const auto last = render.subspan(length - END, END);
    const size_t due = start + length - END;
    return PassEnd{correlation_at(x, due, last), lag_of(x, last, due, END_SHIFT)};
}
