#include "PlistNesting.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ferrolet {

namespace {

// Index of the first occurrence of what at or after from; -1 when none.
qsizetype Find(const QByteArray& bytes, const char* what, qsizetype from) {
    return bytes.indexOf(what, from);
}

// Where the markup that opens at i (a '<') ends: one past its '>', or -1.
// Quoted attribute values may hold '>'.
qsizetype EndOfTag(const QByteArray& bytes, qsizetype i) {
    char quote = 0;
    for (qsizetype j = i + 1; j < bytes.size(); ++j) {
        const char c = bytes[j];
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return j + 1;
        }
    }
    return -1;
}

// Where a "<!" or "<?" construct that opens at i ends: comments, CDATA,
// processing instructions and the document type (with its internal subset).
qsizetype EndOfDeclaration(const QByteArray& bytes, qsizetype i) {
    const auto after = [&](const char* close) {
        const qsizetype at = Find(bytes, close, i + 2);
        return at < 0 ? -1 : at + static_cast<qsizetype>(std::strlen(close));
    };
    if (bytes.mid(i, 4) == "<!--") {
        return after("-->");
    }
    if (bytes.mid(i, 9) == "<![CDATA[") {
        return after("]]>");
    }
    if (bytes[i + 1] == '?') {
        return after("?>");
    }
    const qsizetype end = EndOfTag(bytes, i);
    const qsizetype subset = bytes.indexOf('[', i);
    if (end >= 0 && subset >= 0 && subset < end) {
        const qsizetype close = bytes.indexOf(']', subset);
        const qsizetype gt = close < 0 ? -1 : bytes.indexOf('>', close);
        return gt < 0 ? -1 : gt + 1;
    }
    return end;
}

// The element nesting of an XML document; the <plist> element is one more
// level than the values it holds.
bool XmlNestingWithin(const QByteArray& bytes, int maxLevels) {
    int depth = 0;
    qsizetype i = bytes.indexOf('<');
    while (i >= 0 && i + 1 < bytes.size()) {
        const char next = bytes[i + 1];
        const qsizetype end =
            next == '!' || next == '?' ? EndOfDeclaration(bytes, i) : EndOfTag(bytes, i);
        if (end < 0) {
            return true; // unfinished markup: the parser refuses it on its own
        }
        if (next == '/') {
            --depth;
        } else if (next != '!' && next != '?' && bytes[end - 2] != '/' && ++depth > maxLevels + 1) {
            return false;
        }
        i = bytes.indexOf('<', end);
    }
    return true;
}

// The parts of a binary property list that say where its objects are.
struct BinaryLayout {
    const unsigned char* data = nullptr;
    uint64_t size = 0;
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    uint64_t objectCount = 0;
    uint64_t root = 0;
    uint64_t offsetTable = 0;
};

uint64_t BigEndian(const unsigned char* p, unsigned width) {
    uint64_t v = 0;
    for (unsigned k = 0; k < width; ++k) {
        v = (v << 8) | p[k];
    }
    return v;
}

bool ReadTrailer(const QByteArray& bytes, BinaryLayout& layout) {
    constexpr uint64_t kHeader = 8;
    constexpr uint64_t kTrailer = 32;
    layout.data = reinterpret_cast<const unsigned char*>(bytes.constData());
    layout.size = static_cast<uint64_t>(bytes.size());
    if (layout.size < kHeader + kTrailer) {
        return false;
    }
    const unsigned char* t = layout.data + layout.size - kTrailer;
    layout.offsetSize = t[6];
    layout.refSize = t[7];
    layout.objectCount = BigEndian(t + 8, 8);
    layout.root = BigEndian(t + 16, 8);
    layout.offsetTable = BigEndian(t + 24, 8);
    const uint64_t tableEnd = layout.size - kTrailer;
    return layout.offsetSize >= 1 && layout.offsetSize <= 8 && layout.refSize >= 1 &&
           layout.refSize <= 8 && layout.objectCount <= layout.size &&
           layout.root < layout.objectCount && layout.offsetTable <= tableEnd &&
           layout.objectCount * layout.offsetSize <= tableEnd - layout.offsetTable;
}

// The references an object holds (none for a scalar); false when they do not
// fit in the file.
bool ChildRefs(const BinaryLayout& l, uint64_t object, std::vector<uint64_t>& refs) {
    refs.clear();
    const uint64_t at = BigEndian(l.data + l.offsetTable + object * l.offsetSize, l.offsetSize);
    if (at >= l.offsetTable) {
        return false;
    }
    const unsigned kind = l.data[at] >> 4;
    if (kind != 0xA && kind != 0xC && kind != 0xD) {
        return true;
    }
    uint64_t count = l.data[at] & 0x0F;
    uint64_t start = at + 1;
    if (count == 0x0F) { // the count follows as an integer object
        if (start >= l.offsetTable || (l.data[start] >> 4) != 0x1) {
            return false;
        }
        const unsigned width = 1u << (l.data[start] & 0x0F);
        if (width > 8 || start + 1 + width > l.offsetTable) {
            return false;
        }
        count = BigEndian(l.data + start + 1, width);
        start += 1 + width;
    }
    const uint64_t refCount = kind == 0xD ? count * 2 : count;
    if (count > l.size || refCount * l.refSize > l.offsetTable - start) {
        return false;
    }
    for (uint64_t k = 0; k < refCount; ++k) {
        refs.push_back(BigEndian(l.data + start + k * l.refSize, l.refSize));
        if (refs.back() >= l.objectCount) {
            return false;
        }
    }
    return true;
}

// The library copies a shared object for every reference to it, so a small
// file of arrays that each hold the next one twice unfolds into billions of
// values; no settings file comes near this many.
constexpr uint64_t kMaxUnfoldedValues = 1000000;

// Walks the object graph depth first with an explicit stack, remembering
// each object's height and unfolded size so shared objects are measured once.
bool BinaryNestingWithin(const QByteArray& bytes, int maxLevels) {
    BinaryLayout l;
    if (!ReadTrailer(bytes, l)) {
        return false;
    }
    constexpr int kUnseen = 0;
    constexpr int kOpen = -1;
    std::vector<int> height(l.objectCount, kUnseen);
    std::vector<uint64_t> unfolded(l.objectCount, 0); // values once references are copied

    struct Frame {
        uint64_t object;
        std::vector<uint64_t> refs;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    stack.push_back({l.root, {}});
    height[l.root] = kOpen;
    if (!ChildRefs(l, l.root, stack.back().refs)) {
        return false;
    }
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.refs.size()) {
            int h = 1;
            uint64_t values = 1;
            for (const uint64_t child : top.refs) {
                h = std::max(h, height[child] + 1);
                values += unfolded[child];
            }
            if (values > kMaxUnfoldedValues) {
                return false;
            }
            height[top.object] = h;
            unfolded[top.object] = values;
            stack.pop_back();
            continue;
        }
        const uint64_t child = top.refs[top.next++];
        if (height[child] == kOpen) {
            return false; // a cycle
        }
        if (height[child] == kUnseen) {
            if (static_cast<int>(stack.size()) >= maxLevels) {
                return false;
            }
            height[child] = kOpen;
            stack.push_back({child, {}});
            if (!ChildRefs(l, child, stack.back().refs)) {
                return false;
            }
        }
    }
    return height[l.root] <= maxLevels;
}

} // namespace

bool PlistNestingWithin(const QByteArray& bytes, int maxLevels) {
    if (bytes.startsWith("bplist")) {
        return BinaryNestingWithin(bytes, maxLevels);
    }
    return XmlNestingWithin(bytes, maxLevels);
}

} // namespace ferrolet
