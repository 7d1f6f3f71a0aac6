// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/PdfSplice.h"

#include "render/PdfPath.h"

#include <libdeflate.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <system_error>
#include <thread>

namespace render {

namespace {

// Level 1 of libdeflate packs a long program's page about a tenth larger than Qt's zlib at its
// default level, in a tenth of the time; higher levels gain a few percent for twice the time and
// more. A page of less than a stream is packed at level 6: a little tighter than Qt packs it.
constexpr int FastLevel = 1, TightLevel = 6;

struct Object {
    int Number = 0;
    size_t Begin = 0, End = 0; // in the document
};

struct Failure {
    std::string Why;
};

// Bytes without the zeros a std::string is filled with first (a page's content is tens of MB).
struct Bytes {
    std::unique_ptr<char[]> Data;
    size_t Size = 0;
    explicit Bytes(size_t room = 0) : Data(new char[room]), Size(room) {}
};

long ParseNumber(const std::string& text, size_t at, size_t* end = nullptr) {
    if (at >= text.size()) throw Failure{"no number where one belongs"};
    char* stop = nullptr;
    const long n = std::strtol(text.c_str() + at, &stop, 10);
    if (stop == text.c_str() + at) throw Failure{"no number where one belongs"};
    if (end) *end = static_cast<size_t>(stop - text.c_str());
    return n;
}

// The objects of the document in the order they are written, from its cross-reference table.
std::vector<Object> ObjectsOf(const std::string& doc, size_t& table, std::string& trailer) {
    const size_t start = doc.rfind("startxref");
    if (start == std::string::npos) throw Failure{"no startxref"};
    table = static_cast<size_t>(ParseNumber(doc, start + 9));
    if (doc.compare(table, 5, "xref\n") != 0) throw Failure{"no cross-reference table"};
    size_t at = table + 5;
    if (ParseNumber(doc, at, &at) != 0) throw Failure{"a table that does not start at object 0"};
    const long count = ParseNumber(doc, at, &at);
    at = doc.find('\n', at) + 1;
    std::vector<Object> objects;
    for (long i = 0; i < count; ++i, at += 20) {
        if (at + 20 > doc.size()) throw Failure{"a short cross-reference table"};
        if (doc[at + 17] == 'n')
            objects.push_back({static_cast<int>(i), static_cast<size_t>(ParseNumber(doc, at))});
    }
    const size_t dict = doc.find("trailer\n", at);
    if (dict == std::string::npos || dict > start) throw Failure{"no trailer"};
    trailer = doc.substr(dict + 8, start - dict - 8);
    std::sort(objects.begin(), objects.end(),
              [](const Object& a, const Object& b) { return a.Begin < b.Begin; });
    for (size_t i = 0; i < objects.size(); ++i) {
        objects[i].End = i + 1 < objects.size() ? objects[i + 1].Begin : table;
        const std::string head = std::to_string(objects[i].Number) + " 0 obj";
        if (objects[i].Begin >= objects[i].End || doc.compare(objects[i].Begin, head.size(), head) != 0)
            throw Failure{"an object not where the table puts it"};
    }
    return objects;
}

std::string Inflate(const char* data, size_t size) {
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> unpacker(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    for (size_t room = std::max<size_t>(size * 16, 1 << 16);; room *= 2) {
        Bytes plain(room);
        size_t got = 0;
        const libdeflate_result r =
            libdeflate_zlib_decompress(unpacker.get(), data, size, plain.Data.get(), room, &got);
        if (r == LIBDEFLATE_SUCCESS) return std::string(plain.Data.get(), got);
        if (r != LIBDEFLATE_INSUFFICIENT_SPACE) throw Failure{"a page content that does not inflate"};
    }
}

// A piece of the page's content: of Qt's, or a part of ours.
struct Piece {
    const char* Data;
    size_t Size;
};

// Qt's content cut at its marks, each mark replaced by its part (nothing is copied).
std::vector<Piece> Replace(const std::string& content, const std::vector<std::string>& parts) {
    std::string y, endY, side;
    WritePdfNumber(y, MarkY);
    WritePdfNumber(endY, MarkEndY);
    WritePdfNumber(side, MarkSide);
    const std::string squareTail = y + side + side + "re\n";
    std::vector<Piece> pieces;
    pieces.reserve(2 * parts.size() + 1);
    std::vector<bool> used(parts.size());
    size_t copied = 0, at = 0;
    while ((at = content.find(y, at)) != std::string::npos) {
        // The mark's line begins with the part's number.
        const size_t line = content.rfind('\n', at) + 1;
        if (!std::isdigit(static_cast<unsigned char>(content[line]))) {
            at += y.size();
            continue;
        }
        size_t end = 0;
        const long n = ParseNumber(content, line, &end);
        const bool numbered = end + 1 == at;
        at += y.size();
        if (!numbered || n < 0 || static_cast<size_t>(n) >= parts.size() || used[n]) continue;
        const std::string number = content.substr(line, end + 1 - line);
        const std::string path = number + y + "m\n" + number + endY + "l\n", square = number + squareTail;
        size_t markEnd = 0;
        if (content.compare(line, path.size(), path) == 0)
            markEnd = line + path.size();
        else if (content.compare(line, square.size(), square) == 0)
            markEnd = line + square.size();
        else
            continue;
        used[n] = true;
        pieces.push_back({content.data() + copied, line - copied});
        pieces.push_back({parts[n].data(), parts[n].size()});
        copied = at = markEnd;
    }
    pieces.push_back({content.data() + copied, content.size() - copied});
    return pieces;
}

// The content packed in streams of about equal size, each joined and packed on a core of its own.
// The streams are cut between pieces, which end between operators.
std::vector<Bytes> Deflate(const std::vector<Piece>& pieces, size_t streamSize) {
    size_t total = 0;
    for (const Piece& p : pieces)
        total += p.Size;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t count = std::clamp<size_t>(total / streamSize, 1, cores);
    const int level = total < streamSize ? TightLevel : FastLevel;
    std::vector<size_t> cuts{0}; // the first piece of each stream
    for (size_t i = 0, sum = 0; i < pieces.size() && cuts.size() < count; sum += pieces[i++].Size)
        if (i > cuts.back() && sum >= total * cuts.size() / count) cuts.push_back(i);
    cuts.push_back(pieces.size());
    std::vector<Bytes> packed(cuts.size() - 1);
    auto pack = [&](size_t i) {
        size_t size = 0;
        for (size_t k = cuts[i]; k < cuts[i + 1]; ++k)
            size += pieces[k].Size;
        Bytes joined(size);
        for (size_t k = cuts[i], at = 0; k < cuts[i + 1]; at += pieces[k++].Size)
            std::copy_n(pieces[k].Data, pieces[k].Size, joined.Data.get() + at);
        libdeflate_compressor* packer = libdeflate_alloc_compressor(level);
        if (!packer) return;
        Bytes out(libdeflate_zlib_compress_bound(packer, size));
        out.Size = libdeflate_zlib_compress(packer, joined.Data.get(), size, out.Data.get(), out.Size);
        libdeflate_free_compressor(packer);
        packed[i] = std::move(out);
    };
    std::vector<std::thread> helpers;
    for (size_t i = 1; i < packed.size(); ++i) {
        try {
            helpers.emplace_back(pack, i);
        } catch (const std::system_error&) { // no thread to be had: packed here
            pack(i);
        }
    }
    pack(0);
    for (std::thread& t : helpers)
        t.join();
    for (const Bytes& p : packed)
        if (p.Size == 0) throw Failure{"the page content could not be packed"};
    return packed;
}

void AppendStream(std::string& out, const std::string& dict, const Bytes& packed) {
    out += dict;
    out.append(packed.Data.get(), packed.Size);
    out += "\nendstream\nendobj\n";
}

const Object& Numbered(const std::vector<Object>& objects, int number) {
    const auto found =
        std::find_if(objects.begin(), objects.end(), [&](const Object& o) { return o.Number == number; });
    if (found == objects.end()) throw Failure{"no object " + std::to_string(number)};
    return *found;
}

// The one page and its content stream as Qt wrote them.
struct Content {
    int Page = 0, Number = 0;
    std::string Dict;    // the stream's object up to its data
    size_t LengthAt = 0; // in Dict: the length's number, and where it ends
    size_t LengthEnd = 0;
    int LengthObject = 0;          // the object holding the length; 0 when Dict holds it
    size_t DataAt = 0, Length = 0; // the packed data, in the document
};

Content ContentOf(const std::string& doc, const std::vector<Object>& objects) {
    Content c;
    for (const Object& o : objects) {
        const std::string body = doc.substr(o.Begin, std::min<size_t>(o.End - o.Begin, 4096));
        if (body.find("/Type /Page\n") == std::string::npos) continue;
        const size_t at = body.find("/Contents ");
        if (at == std::string::npos || c.Number) throw Failure{"not a page with one content stream"};
        c.Number = static_cast<int>(ParseNumber(body, at + 10));
        c.Page = o.Number;
    }
    if (!c.Number) throw Failure{"no page"};
    const Object& stream = Numbered(objects, c.Number);
    const size_t data = doc.find(">>\nstream\n", stream.Begin);
    if (data == std::string::npos || data + 10 > stream.End) throw Failure{"no content stream"};
    c.DataAt = data + 10;
    c.Dict = doc.substr(stream.Begin, c.DataAt - stream.Begin);
    if (c.Dict.find("/Filter /FlateDecode") == std::string::npos) throw Failure{"a content not deflated"};
    const size_t length = c.Dict.find("/Length ");
    if (length == std::string::npos) throw Failure{"a stream without length"};
    c.LengthAt = length + 8;
    long value = ParseNumber(c.Dict, c.LengthAt, &c.LengthEnd);
    if (c.Dict.compare(c.LengthEnd, 5, " 0 R\n") == 0) {
        c.LengthObject = static_cast<int>(value);
        const Object& held = Numbered(objects, c.LengthObject);
        value = ParseNumber(doc, doc.find('\n', held.Begin) + 1);
    }
    if (value < 0 || c.DataAt + static_cast<size_t>(value) > stream.End)
        throw Failure{"a stream past its end"};
    c.Length = static_cast<size_t>(value);
    return c;
}

// The document written again, object by object, with the page's content in `packed` (the first
// stream in the content's object, any more in new objects after the others), and its table.
std::string Rebuild(const std::string& doc, const std::vector<Object>& objects, const std::string& trailer,
                    const Content& content, const std::vector<Bytes>& packed) {
    const size_t sizeAt = trailer.find("/Size ") + 6;
    size_t sizeEnd = 0;
    int next = static_cast<int>(ParseNumber(trailer, sizeAt, &sizeEnd));
    std::string list = std::to_string(content.Number) + " 0 R";
    std::vector<int> more;
    for (size_t i = 1; i < packed.size(); ++i) {
        more.push_back(next++);
        list += " " + std::to_string(more.back()) + " 0 R";
    }
    std::string out;
    size_t room = doc.size();
    for (const Bytes& p : packed)
        room += p.Size + 100;
    out.reserve(room);
    out.append(doc, 0, objects.front().Begin);
    std::map<int, size_t> offsets;
    const std::string size = std::to_string(packed[0].Size);
    for (const Object& o : objects) {
        offsets[o.Number] = out.size();
        if (o.Number == content.Number) {
            AppendStream(out,
                         content.LengthObject ? content.Dict
                                              : content.Dict.substr(0, content.LengthAt) + size +
                                                    content.Dict.substr(content.LengthEnd),
                         packed[0]);
        } else if (o.Number == content.LengthObject) {
            out += std::to_string(o.Number) + " 0 obj\n" + size + "\nendobj\n";
        } else if (o.Number == content.Page && !more.empty()) {
            std::string body = doc.substr(o.Begin, o.End - o.Begin);
            const std::string one = "/Contents " + std::to_string(content.Number) + " 0 R";
            const size_t at = body.find(one);
            if (at == std::string::npos) throw Failure{"a page's content not where it was"};
            out += body.replace(at, one.size(), "/Contents [" + list + "]");
        } else {
            out.append(doc, o.Begin, o.End - o.Begin);
        }
    }
    for (size_t i = 0; i < more.size(); ++i) {
        offsets[more[i]] = out.size();
        AppendStream(out,
                     std::to_string(more[i]) + " 0 obj\n<<\n/Length " + std::to_string(packed[i + 1].Size) +
                         "\n/Filter /FlateDecode\n>>\nstream\n",
                     packed[i + 1]);
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(next) + "\n";
    for (int i = 0; i < next; ++i) {
        char entry[24];
        const auto found = offsets.find(i);
        if (found == offsets.end())
            std::snprintf(entry, sizeof entry, "%010d 65535 f \n", 0);
        else
            std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", found->second);
        out += entry;
    }
    out += "trailer\n" + trailer.substr(0, sizeAt) + std::to_string(next) + trailer.substr(sizeEnd);
    out += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string Splice(const std::string& doc, const std::vector<std::string>& parts, size_t streamSize) {
    size_t table = 0;
    std::string trailer;
    const std::vector<Object> objects = ObjectsOf(doc, table, trailer);
    const Content content = ContentOf(doc, objects);
    const std::string qt = Inflate(doc.data() + content.DataAt, content.Length);
    return Rebuild(doc, objects, trailer, content, Deflate(Replace(qt, parts), streamSize));
}

} // namespace

bool SpliceParts(const std::string& document, const std::vector<std::string>& parts, std::string& out,
                 std::string& why, size_t streamSize) {
    if (parts.empty()) {
        out = document;
        return true;
    }
    try {
        out = Splice(document, parts, streamSize);
        return true;
    } catch (const Failure& f) {
        why = f.Why;
    } catch (const std::exception& e) {
        why = e.what();
    }
    return false;
}

} // namespace render
