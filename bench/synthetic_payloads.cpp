// Synthetic payloads for the scale scenarios, the same on every run (fixed seed), written entry
// by entry in blocks so that no entry is held in memory as a whole:
//   large  over 256 MB in a few hundred entries: a quarter random bytes (incompressible), half
//          text, a quarter bytes of six random bits; eight of them 8 MB, the rest up to 1.5 MB
//   wide   the given number of small text files (100 to 3000 bytes), a hundred per folder, in
//          folders two levels deep under "wide/"
#include "bench.h"

#include <zip.h>
#include <iowin32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace ph::bench {

namespace {

constexpr unsigned long kEntryDosTime = 0x5B7A6000; // 2025-11-26 12:00:00
constexpr std::size_t kBlockBytes = 1u << 20;

enum class Content { Random, Text, SixBits };

// Fills block with the next bytes of the given kind.
void FillBlock(std::mt19937& random, Content kind, std::vector<char>& block, std::size_t bytes)
{
    static const char* const kWords[] = {"photavian", "image",   "viewer", "plugin",    "toolbar",  "skin",    "folder",
                                         "thumbnail", "colour",  "format", "the",       "a",        "of",      "and",
                                         "to",        "convert", "resize", "slideshow", "metadata", "lossless"};
    block.resize(bytes);
    std::size_t i = 0;
    switch (kind) {
    case Content::Random:
        for (; i + 4 <= bytes; i += 4) {
            std::uint32_t r = random();
            std::memcpy(&block[i], &r, 4);
        }
        for (; i < bytes; ++i) {
            block[i] = static_cast<char>(random());
        }
        break;
    case Content::SixBits:
        for (; i < bytes; ++i) {
            block[i] = static_cast<char>(random() & 0x3F);
        }
        break;
    case Content::Text:
        while (i < bytes) {
            const char* word = kWords[random() % std::size(kWords)];
            for (; *word != '\0' && i < bytes; ++word) {
                block[i++] = *word;
            }
            if (i < bytes) {
                block[i++] = random() % 12 == 0 ? '\n' : ' ';
            }
        }
        break;
    }
}

class ZipWriter {
public:
    explicit ZipWriter(const std::wstring& path)
    {
        zlib_filefunc64_def functions{};
        fill_win32_filefunc64W(&functions);
        m_zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
        m_ok = m_zip != nullptr;
    }
    ~ZipWriter()
    {
        if (m_zip != nullptr) {
            zipClose(m_zip, nullptr);
        }
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void Folder(const std::string& name)
    {
        Open(name, 0, 0);
        Close();
    }
    void File(const std::string& name, std::mt19937& random, Content kind, std::size_t bytes)
    {
        Open(name, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
        for (std::size_t done = 0; m_ok && done < bytes; done += kBlockBytes) {
            std::size_t part = std::min(kBlockBytes, bytes - done);
            FillBlock(random, kind, m_block, part);
            m_ok = zipWriteInFileInZip(m_zip, m_block.data(), static_cast<unsigned>(part)) == ZIP_OK;
        }
        Close();
        m_uncompressed += bytes;
    }
    bool Finish()
    {
        bool closed = m_zip != nullptr && zipClose(m_zip, nullptr) == ZIP_OK;
        m_zip = nullptr;
        return closed && m_ok;
    }
    unsigned long long Uncompressed() const { return m_uncompressed; }

private:
    void Open(const std::string& name, int method, int level)
    {
        zip_fileinfo info{};
        info.dosDate = kEntryDosTime;
        m_ok = m_ok
            && zipOpenNewFileInZip(m_zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level)
                == ZIP_OK;
    }
    void Close() { m_ok = m_ok && zipCloseFileInZip(m_zip) == ZIP_OK; }

    zipFile m_zip = nullptr;
    bool m_ok = false;
    std::vector<char> m_block;
    unsigned long long m_uncompressed = 0;
};

void WriteLarge(ZipWriter& zip, std::mt19937& random)
{
    constexpr int kEntries = 320;
    constexpr int kBigEntries = 8;
    const Content kinds[] = {Content::Random, Content::Text, Content::Text, Content::SixBits};
    const char* const folders[] = {"large/random/", "large/text/", "large/text/", "large/sixbits/"};
    zip.Folder("large/");
    zip.Folder("large/random/");
    zip.Folder("large/text/");
    zip.Folder("large/sixbits/");
    for (int i = 0; i < kEntries; ++i) {
        std::size_t bytes = i < kBigEntries ? (8u << 20) : (64u << 10) + random() % (1472u << 10);
        char name[64];
        std::snprintf(name, sizeof(name), "%sentry%03d.bin", folders[i % 4], i);
        zip.File(name, random, kinds[i % 4], bytes);
    }
}

void WriteWide(ZipWriter& zip, std::mt19937& random, int entries)
{
    constexpr int kPerFolder = 100;
    constexpr int kSecondLevel = 10;
    zip.Folder("wide/");
    for (int i = 0; i < entries; ++i) {
        int leaf = i / kPerFolder;
        char top[32];
        char folder[48];
        std::snprintf(top, sizeof(top), "wide/d%03d/", leaf / kSecondLevel);
        std::snprintf(folder, sizeof(folder), "%se%02d/", top, leaf % kSecondLevel);
        if (i % (kPerFolder * kSecondLevel) == 0) {
            zip.Folder(top);
        }
        if (i % kPerFolder == 0) {
            zip.Folder(folder);
        }
        char name[80];
        std::snprintf(name, sizeof(name), "%sfile%05d.txt", folder, i);
        zip.File(name, random, Content::Text, 100 + random() % 2900);
    }
}

} // namespace

int WriteSyntheticPayload(const std::wstring& kind, int entries, const std::wstring& zipPath)
{
    std::mt19937 random(1974);
    ZipWriter zip(zipPath);
    if (kind == L"large") {
        WriteLarge(zip, random);
    } else if (kind == L"wide" && entries > 0) {
        WriteWide(zip, random, entries);
    } else {
        std::fprintf(stderr, "payload: unknown kind or count\n");
        return 2;
    }
    unsigned long long bytes = zip.Uncompressed();
    if (!zip.Finish()) {
        std::fprintf(stderr, "payload: the archive could not be written\n");
        return 1;
    }
    std::printf("%llu bytes uncompressed\n", bytes);
    return 0;
}

} // namespace ph::bench
