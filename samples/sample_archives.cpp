#include "samples/sample_archives.h"

#include <cmath>
#include <cstdint>

#include "archive/helpers.h"
#include "codec/lz_encode.h"

namespace samples {

namespace {

using archive::Bytes;

// A small deterministic generator, so the samples never change.
struct Lcg {
    std::uint32_t state;
    std::uint8_t Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(state >> 24);
    }
};

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Palette() {
    Bytes p;
    for (int i = 0; i < 256; ++i) {
        p.push_back(static_cast<std::uint8_t>((i * 3) & 0xFF));
        p.push_back(static_cast<std::uint8_t>((i * 5 + 40) & 0xFF));
        p.push_back(static_cast<std::uint8_t>(255 - i));
    }
    return p;
}

Bytes TileMap() {
    Bytes map;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) map.push_back(static_cast<std::uint8_t>(((x / 8) + (y / 8)) % 4 == 0 ? 17 : (y < 10 ? 3 : 9)));
    return map;
}

Bytes Dialogue() {
    std::string s;
    const char* lines[] = {"[Harbour]\r\nKeeper=Welcome to the harbour, traveller.\r\n",
                           "Traveller=Is the ferry running today?\r\n",
                           "Keeper=The ferry leaves when the tide turns.\r\n",
                           "Traveller=Then I will wait by the harbour.\r\n"};
    for (int round = 0; round < 6; ++round)
        for (const char* l : lines) s += l;
    return Text(s);
}

Bytes Noise(std::size_t n, std::uint32_t seed) {
    Lcg rng{seed};
    Bytes b(n);
    for (auto& x : b) x = rng.Next();
    return b;
}

// An 8-bit sound: a RIFF header then a decaying tone.
Bytes Sound(int frequency, int samples) {
    Bytes s = Text("RIFF");
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<std::uint8_t>((samples + 36) >> (8 * i)));
    s.insert(s.end(), {'W', 'A', 'V', 'E'});
    for (int i = 0; i < samples; ++i) {
        double decay = 1.0 - static_cast<double>(i) / samples;
        s.push_back(static_cast<std::uint8_t>(128 + std::lround(100 * decay * std::sin(i * frequency / 1000.0))));
    }
    return s;
}

// A voice line of the other kind: first byte 'C', then a tag and samples.
Bytes Voice(int frequency, int samples) {
    Bytes s = Text("Creative-like voice block");
    for (int i = 0; i < samples; ++i) s.push_back(static_cast<std::uint8_t>(128 + ((i * frequency / 100) % 64) - 32));
    return s;
}

class Builder {
public:
    Builder() { table_.Records.clear(); }

    void Add(const Bytes& bytes, int type, bool hidden = false) {
        archive::ItemRecord r;
        r.RefersTo = static_cast<std::int32_t>(table_.Records.size());
        r.DecompressedSize = static_cast<std::int32_t>(bytes.size());
        r.Data = Encode(bytes, type);
        r.CompressionType = static_cast<std::int16_t>(type);
        if (r.Data.empty() && !bytes.empty()) {  // does not shrink: store it
            r.Data = bytes;
            r.CompressionType = 0;
        }
        r.CompressedSize = static_cast<std::int32_t>(r.Data.size());
        r.IsHidden = hidden;
        archive::UpdateDisplayTexts(r);
        table_.Records.push_back(std::move(r));
    }
    void Pointer(std::int32_t target) {
        archive::ItemRecord r = table_.Records[static_cast<std::size_t>(target)];
        r.RefersTo = target;
        table_.Records.push_back(std::move(r));
    }
    void Blank() {
        archive::ItemRecord r;
        r.IsBlank = true;
        r.RefersTo = static_cast<std::int32_t>(table_.Records.size());
        archive::UpdateDisplayTexts(r);
        table_.Records.push_back(std::move(r));
    }
    archive::ItemTable Finish() {
        archive::ItemRecord end;
        end.RefersTo = static_cast<std::int32_t>(table_.Records.size());
        archive::UpdateDisplayTexts(end);
        table_.Records.push_back(end);
        table_.ItemCount = static_cast<std::int32_t>(table_.Records.size()) - 1;
        table_.SlotCount = 0;
        for (std::int32_t i = 0; i < table_.ItemCount; ++i) table_.SlotCount += table_[i].IsHidden ? 0 : 1;
        return std::move(table_);
    }

private:
    static Bytes Encode(const Bytes& bytes, int type) {
        if (type == 0 || bytes.empty()) return type == 0 ? bytes : Bytes{};
        Bytes out(bytes.size());
        std::int32_t n;
        if (type == 1) {
            static codec::LzssEncoder encoder;
            n = encoder.Compress(bytes, out);
            if (n >= static_cast<std::int32_t>(bytes.size())) n = -1;
        } else {
            n = codec::CompressLzmit(bytes, out);
        }
        if (n <= 0) return {};
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

    archive::ItemTable table_;
};

}  // namespace

std::vector<SampleArchive> BuildSampleArchives() {
    std::vector<SampleArchive> out;
    {
        Builder b;
        b.Add(Palette(), 0);      // 0 palette, stored
        b.Add(TileMap(), 1);      // 1 tile map, LZSS
        b.Add(Dialogue(), 2);     // 2 dialogue, LZMIT
        b.Pointer(1);             // 3 the same tile map again
        b.Blank();                // 4
        b.Add(Noise(300, 7), 2);  // 5 incompressible: stays stored
        b.Add(Text("Tarvo sample archive: made from generated data.\r\n"), 0);  // 6
        b.Pointer(2);             // 7
        b.Blank();                // 8
        b.Add(Sound(440, 900), 1);  // 9
        out.push_back({"SAMPLE.HQR", b.Finish()});
    }
    {
        Builder b;
        auto marked = [](Bytes bytes, std::uint8_t marker) {
            bytes[0] = marker;
            return bytes;
        };
        b.Add(Voice(300, 200), 0);                                          // 0
        b.Add(marked(Sound(500, 300), archive::kMarkerHiddenFollows), 0);   // 1 a run of two follows
        b.Add(marked(Voice(700, 250), archive::kMarkerHiddenFollows), 0, true);
        b.Add(marked(Sound(900, 200), archive::kMarkerRunEnds), 0, true);
        b.Add(Voice(350, 120), 0);                                          // 4
        b.Add(marked(Voice(450, 180), archive::kMarkerHiddenFollows), 0);   // 5 a run of one follows
        b.Add(marked(Sound(650, 150), archive::kMarkerRunEnds), 0, true);
        b.Add(Sound(800, 220), 0);                                          // 7
        out.push_back({"SPEECH.VOX", b.Finish()});
    }
    {
        Builder b;
        Bytes info = Text("\x01 sample scene information");
        b.Add(info, 0);                                       // 0 information, first byte 1
        b.Add(Text("A harbour scene made for testing.\r\n"), 0);  // 1 description
        b.Add(Dialogue(), 2);                                 // 2 library
        b.Add(TileMap(), 1);                                  // 3 grid
        b.Add(Palette(), 0);                                  // 4 palette
        b.Blank();                                            // 5
        b.Blank();                                            // 6
        b.Add(Noise(64, 3), 0);                               // 7 project file
        b.Add(Dialogue(), 1);                                 // 8 scene
        out.push_back({"HARBOUR.HQS", b.Finish()});
    }
    return out;
}

std::string SampleDescriptionFile() {
    return "Tarvo sample archive\r\n"
           "pal\tPalette\r\n"
           "map\tTile map\r\n"
           "txt\tDialogue\r\n"
           "map\tTile map (shared)\r\n"
           "raw\tNoise\r\n"
           "txt\tAbout this archive\r\n"
           "txt\tDialogue (shared)\r\n"
           "wav\tTone\r\n";
}

}  // namespace samples
