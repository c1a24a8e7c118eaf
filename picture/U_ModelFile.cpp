#include "picture/U_ModelFile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The library's serial form: an integer is a control byte (low four bits: how many bytes
// follow, little-endian; bit 7: negative) and those bytes; a real is two integers, mantissa
// and exponent; a list is its count and its items; a matrix its rows and columns (negated in
// the current form) and its items.
class Reader {
public:
    Reader(const char* data, std::size_t size, std::atomic<double>* progress)
        : m_begin(data), m_at(data), m_end(data + size), m_progress(progress) {}

    bool integer(std::int64_t& value) {
        if (m_at >= m_end)
            return false;
        const unsigned char control = static_cast<unsigned char>(*m_at++);
        const unsigned size = control & 0x0F;
        if (size == 0 || size > 8 || (control & 0x70) != 0 || std::size_t(m_end - m_at) < size)
            return false;
        std::uint64_t magnitude = 0;
        for (unsigned i = size; i-- > 0;)
            magnitude = magnitude << 8 | static_cast<unsigned char>(m_at[i]);
        m_at += size;
        if (magnitude > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return false;
        value = control & 0x80 ? -std::int64_t(magnitude) : std::int64_t(magnitude);
        return true;
    }
    bool index(std::uint32_t& value) {
        std::int64_t v = 0;
        if (!integer(v) || v < 0 || v > std::numeric_limits<std::int32_t>::max())
            return false;
        value = std::uint32_t(v);
        return true;
    }
    // Only finite numbers: the exponents the library keeps for infinities and NaN are refused.
    bool real(float& value) {
        std::int64_t mantissa = 0, exponent = 0;
        if (!integer(mantissa) || !integer(exponent) || exponent < -32768 || exponent >= 32000)
            return false;
        value = std::ldexp(float(mantissa), int(exponent));
        return std::isfinite(value);
    }
    // A count of items each at least itemBytes long, bounded by the bytes left.
    bool count(std::int64_t& n, std::size_t itemBytes) {
        if (!integer(n) || n < 0 || std::uint64_t(n) > left() / itemBytes)
            return false;
        if (m_progress && ((m_at - m_begin) & 0xFFFF) < 16)
            *m_progress = double(m_at - m_begin) / double(m_end - m_begin);
        return true;
    }
    // A column of reals, appended to out; rows is its length (checked when given).
    bool column(std::vector<float>& out, std::int64_t& rows) {
        std::int64_t r = 0, c = 0;
        if (!integer(r) || !integer(c))
            return false;
        r = std::abs(r);
        c = std::abs(c);
        // A real takes four bytes at least: two integers of two.
        if (c != 1 || std::uint64_t(r) > left() / 4 || (rows >= 0 && r != rows))
            return false;
        rows = r;
        for (std::int64_t i = 0; i < r; ++i) {
            float v = 0;
            if (!real(v))
                return false;
            out.push_back(v);
        }
        return true;
    }
    std::size_t left() const { return std::size_t(m_end - m_at); }

private:
    const char* m_begin;
    const char* m_at;
    const char* m_end;
    std::atomic<double>* m_progress;
};

bool readStage(Reader& r, std::int64_t rows, LandmarkModel::Stage& stage) {
    std::int64_t trees = 0;
    if (!r.count(trees, 4)) // two empty lists
        return false;
    stage.trees = int(trees);
    for (std::int64_t t = 0; t < trees; ++t) {
        std::int64_t splits = 0;
        if (!r.count(splits, 8) || (t > 0 && splits != stage.splits))
            return false;
        stage.splits = int(splits);
        for (std::int64_t s = 0; s < splits; ++s) {
            std::uint32_t a = 0, b = 0;
            float threshold = 0;
            if (!r.index(a) || !r.index(b) || !r.real(threshold))
                return false;
            stage.pixels.push_back(a);
            stage.pixels.push_back(b);
            stage.thresholds.push_back(threshold);
        }
        std::int64_t leaves = 0;
        if (!r.count(leaves, 4) || leaves != splits + 1)
            return false;
        if (t == 0) // all trees alike: room for them at once, bounded by the bytes left
            stage.leaves.reserve(size_t(std::min<std::uint64_t>(
                std::uint64_t(trees) * leaves * rows, r.left() / 4)));
        for (std::int64_t l = 0; l < leaves; ++l)
            if (!r.column(stage.leaves, rows))
                return false;
    }
    return true;
}

} // namespace

bool ReadLandmarkModel(const char* data, std::size_t size, LandmarkModel& model,
                       std::atomic<double>* progress) {
    model = LandmarkModel();
    Reader r(data, size, progress);
    std::int64_t version = 0, rows = -1, stages = 0;
    if (!r.integer(version) || version != 1 || !r.column(model.meanShape, rows) || rows < 2 ||
        rows % 2 != 0 || !r.count(stages, 2))
        return false;
    model.points = int(rows / 2);
    model.stages.resize(size_t(stages));
    for (LandmarkModel::Stage& stage : model.stages)
        if (!readStage(r, rows, stage))
            return false;
    std::int64_t n = 0;
    if (!r.count(n, 2) || n != stages)
        return false;
    for (LandmarkModel::Stage& stage : model.stages) {
        std::int64_t pixels = 0;
        if (!r.count(pixels, 2))
            return false;
        stage.anchors.resize(size_t(pixels));
        for (std::uint32_t& anchor : stage.anchors)
            if (!r.index(anchor) || anchor >= std::uint32_t(model.points))
                return false;
    }
    if (!r.count(n, 2) || n != stages)
        return false;
    for (LandmarkModel::Stage& stage : model.stages) {
        std::int64_t pixels = 0;
        if (!r.count(pixels, 8) || size_t(pixels) != stage.anchors.size())
            return false;
        stage.deltas.resize(size_t(2 * pixels));
        for (float& d : stage.deltas)
            if (!r.real(d))
                return false;
        for (std::uint32_t p : stage.pixels)
            if (p >= stage.anchors.size())
                return false;
    }
    if (progress)
        *progress = 1;
    return r.left() == 0;
}

LandmarkView ViewOf(std::shared_ptr<const LandmarkModel> model) {
    LandmarkView view;
    view.points = model->points;
    view.meanShape = model->meanShape;
    for (const LandmarkModel::Stage& s : model->stages)
        view.stages.push_back(
            {s.anchors, s.deltas, s.trees, s.splits, s.pixels, s.thresholds, s.leaves});
    view.keep = std::move(model);
    return view;
}
