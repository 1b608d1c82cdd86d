// Excel 97-2003 workbooks (.xls, BIFF8): a compound file holding the
// "Workbook" stream of records. Numbers, shared and inline strings, truth
// values and the cached results of formulas are read; a record that cannot
// be decoded ends the read with an error instead of being skipped.

#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

#include "CellValues.h"
#include "Readers.h"
#include "WorkbookError.h"

namespace workbook::detail {

namespace {

std::uint16_t u16(const char* p) {
    return std::uint16_t(std::uint8_t(p[0]) | std::uint8_t(p[1]) << 8);
}
std::uint32_t u32(const char* p) {
    return std::uint32_t(u16(p)) | std::uint32_t(u16(p + 2)) << 16;
}
double f64(const char* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

[[noreturn]] void damaged(const std::string& path, const std::string& what) {
    throw WorkbookError("無法讀取活頁簿 " + path + "：檔案已損壞（" + what + "）");
}

// The compound file container: sectors chained through an allocation table.
class CompoundFile {
  public:
    CompoundFile(std::string_view file, const std::string& path) : f_(file), path_(path) {
        if (f_.size() < 512)
            damaged(path_, "檔頭不完整");
        const char* h = f_.data();
        unsigned shift = u16(h + 0x1E), miniShift = u16(h + 0x20);
        if ((shift != 9 && shift != 12) || miniShift != 6)
            damaged(path_, "磁區大小無效");
        sector_ = std::size_t(1) << shift;
        mini_ = std::size_t(1) << miniShift;
        cutoff_ = u32(h + 0x38);
        std::size_t sectors = (f_.size() + sector_ - 1) / sector_; // an upper bound
        // The allocation table's own sectors: 109 in the header, then a chain.
        std::vector<std::uint32_t> fatSectors;
        std::uint32_t nFat = u32(h + 0x2C);
        for (unsigned i = 0; i < 109 && fatSectors.size() < nFat; ++i)
            fatSectors.push_back(u32(h + 0x4C + 4 * i));
        std::uint32_t difat = u32(h + 0x44);
        for (std::size_t guard = 0; fatSectors.size() < nFat && difat < 0xFFFFFFFA; ++guard) {
            if (guard > sectors)
                damaged(path_, "配置表的鏈結重複");
            const char* s = fullSector(difat);
            std::size_t per = sector_ / 4 - 1;
            for (std::size_t i = 0; i < per && fatSectors.size() < nFat; ++i)
                fatSectors.push_back(u32(s + 4 * i));
            difat = u32(s + 4 * per);
        }
        if (fatSectors.size() < nFat)
            damaged(path_, "配置表不完整");
        for (std::uint32_t fs : fatSectors) {
            const char* s = fullSector(fs);
            for (std::size_t i = 0; i < sector_ / 4; ++i)
                fat_.push_back(u32(s + 4 * i));
        }
        directory_ = chain(u32(h + 0x30), SIZE_MAX);
        if (directory_.size() < 128)
            damaged(path_, "目錄不完整");
        std::string miniFatBytes = chain(u32(h + 0x3C), SIZE_MAX);
        for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
            miniFat_.push_back(u32(miniFatBytes.data() + i));
    }

    // The stream of that name (compared without regard to case), if any.
    std::optional<std::string> stream(std::string_view name, std::uint64_t limit) {
        for (std::size_t off = 0; off + 128 <= directory_.size(); off += 128) {
            const char* e = directory_.data() + off;
            std::uint8_t type = std::uint8_t(e[0x42]);
            if (type != 2)
                continue;
            unsigned nameBytes = u16(e + 0x40);
            if (nameBytes < 2 || nameBytes > 64 || (nameBytes - 2) / 2 != name.size())
                continue;
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i) {
                std::uint16_t ch = u16(e + 2 * i);
                same = ch < 128 && std::tolower(ch) == std::tolower(name[i]);
            }
            if (!same)
                continue;
            std::uint64_t size = u32(e + 0x78);
            if (sector_ == 4096)
                size |= std::uint64_t(u32(e + 0x7C)) << 32;
            if (size > limit)
                throw WorkbookError("無法讀取活頁簿 " + path_ + "：內容超過可讀取的上限");
            std::uint32_t start = u32(e + 0x74);
            if (size < cutoff_)
                return miniStream(start, std::size_t(size));
            std::string data = chain(start, std::size_t(size));
            if (data.size() < size)
                damaged(path_, "資料流不完整");
            data.resize(std::size_t(size));
            return data;
        }
        return std::nullopt;
    }

  private:
    const char* sectorData(std::uint32_t n) const {
        std::uint64_t off = (std::uint64_t(n) + 1) * sector_;
        if (n >= 0xFFFFFFFA || off >= f_.size())
            damaged(path_, "磁區編號超出檔案");
        return f_.data() + off;
    }

    const char* fullSector(std::uint32_t n) const {
        const char* p = sectorData(n);
        if (std::size_t(p - f_.data()) + sector_ > f_.size())
            damaged(path_, "磁區不完整");
        return p;
    }

    std::size_t available(std::uint32_t n) const {
        std::uint64_t off = (std::uint64_t(n) + 1) * sector_;
        return std::size_t(std::min<std::uint64_t>(sector_, f_.size() - off));
    }

    // The bytes of a chain of sectors (at most max bytes).
    std::string chain(std::uint32_t start, std::size_t max) const {
        std::string out;
        std::size_t guard = 0;
        for (std::uint32_t s = start; s < 0xFFFFFFFA && out.size() < max;) {
            if (++guard > fat_.size() + 1)
                damaged(path_, "磁區鏈結重複");
            const char* p = sectorData(s);
            out.append(p, available(s));
            if (s >= fat_.size())
                damaged(path_, "磁區鏈結超出配置表");
            s = fat_[s];
        }
        return out;
    }

    std::string miniStream(std::uint32_t start, std::size_t size) {
        if (!miniData_) {
            const char* root = directory_.data();
            std::uint64_t rootSize = u32(root + 0x78);
            miniData_ = chain(u32(root + 0x74), std::size_t(rootSize));
        }
        std::string out;
        std::size_t guard = 0;
        for (std::uint32_t s = start; s < 0xFFFFFFFA && out.size() < size;) {
            if (++guard > miniFat_.size() + 1 || s >= miniFat_.size())
                damaged(path_, "小磁區鏈結無效");
            std::size_t off = std::size_t(s) * mini_;
            if (off + mini_ > miniData_->size())
                damaged(path_, "小磁區超出範圍");
            out.append(miniData_->data() + off, mini_);
            s = miniFat_[s];
        }
        if (out.size() < size)
            damaged(path_, "資料流不完整");
        out.resize(size);
        return out;
    }

    std::string_view f_;
    std::string path_;
    std::size_t sector_ = 512, mini_ = 64;
    std::uint32_t cutoff_ = 4096;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::string directory_;
    std::optional<std::string> miniData_;
};

struct Record {
    std::uint16_t type = 0;
    std::string_view data;
    std::size_t offset = 0;
};

// Records of a BIFF stream, in order.
class Records {
  public:
    Records(std::string_view s, const std::string& path) : s_(s), path_(path) {}
    void seek(std::size_t pos) { pos_ = pos; }
    bool next(Record& r) {
        if (pos_ + 4 > s_.size())
            return false;
        r.offset = pos_;
        r.type = u16(s_.data() + pos_);
        std::size_t len = u16(s_.data() + pos_ + 2);
        if (pos_ + 4 + len > s_.size())
            damaged(path_, "位移 " + std::to_string(pos_) + " 的紀錄不完整");
        r.data = s_.substr(pos_ + 4, len);
        pos_ += 4 + len;
        return true;
    }
    std::uint16_t peekType() const { return pos_ + 4 <= s_.size() ? u16(s_.data() + pos_) : 0; }

  private:
    std::string_view s_;
    std::size_t pos_ = 0;
    std::string path_;
};

constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kContinue = 0x003C, kSst = 0x00FC,
                        kBoundSheet = 0x0085, kFormat = 0x041E, kXf = 0x00E0, kDateMode = 0x0022,
                        kFilePass = 0x002F, kLabelSst = 0x00FD, kNumber = 0x0203, kRk = 0x027E,
                        kMulRk = 0x00BD, kLabel = 0x0204, kRString = 0x00D6, kBoolErr = 0x0205,
                        kFormula = 0x0006, kString = 0x0207;

// Reads across a record and the CONTINUE records after it. A string's
// characters that run into the next record resume after one byte that says
// whether they are one or two bytes wide.
class Continued {
  public:
    Continued(std::vector<std::string_view> parts, const std::string& path)
        : parts_(std::move(parts)), path_(path) {}

    std::uint8_t byte() {
        while (part_ < parts_.size() && pos_ >= parts_[part_].size()) {
            ++part_;
            pos_ = 0;
        }
        if (part_ >= parts_.size())
            damaged(path_, "字串超出紀錄");
        return std::uint8_t(parts_[part_][pos_++]);
    }
    std::uint16_t word() {
        std::uint16_t lo = byte();
        return std::uint16_t(lo | byte() << 8);
    }
    std::uint32_t dword() {
        std::uint32_t lo = word();
        return lo | std::uint32_t(word()) << 16;
    }
    void skip(std::uint64_t n) {
        for (; n > 0; --n)
            byte();
    }
    // cch characters; wide: two bytes each.
    std::string chars(std::size_t cch, bool wide) {
        std::u16string units;
        units.reserve(cch);
        for (std::size_t i = 0; i < cch; ++i) {
            if (part_ < parts_.size() && pos_ >= parts_[part_].size() &&
                part_ + 1 < parts_.size()) {
                ++part_;
                pos_ = 0;
                wide = byte() & 1;
            }
            units.push_back(wide ? char16_t(word()) : char16_t(byte()));
        }
        return utf8(units);
    }
    // XLUnicodeRichExtendedString (the strings of the shared string table).
    std::string richString() {
        std::uint16_t cch = word();
        std::uint8_t flags = byte();
        std::uint16_t runs = (flags & 0x08) ? word() : 0;
        std::uint32_t ext = (flags & 0x04) ? dword() : 0;
        std::string s = chars(cch, flags & 1);
        skip(std::uint64_t(runs) * 4 + ext); // formatting runs and phonetic guides
        return s;
    }

    static std::string utf8(const std::u16string& u) {
        std::string out;
        out.reserve(u.size());
        for (std::size_t i = 0; i < u.size(); ++i) {
            char32_t c = u[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 &&
                u[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = 0xFFFD;
            }
            appendUtf8(out, c);
        }
        return out;
    }

  private:
    std::vector<std::string_view> parts_;
    std::size_t part_ = 0, pos_ = 0;
    std::string path_;
};

double rkValue(std::uint32_t rk) {
    double d;
    if (rk & 2) {
        d = double(std::int32_t(rk) >> 2);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, 8);
    }
    return (rk & 1) ? d / 100 : d;
}

class XlsBook {
  public:
    XlsBook(std::string stream, const std::string& path, const ReadLimits& limits)
        : stream_(std::move(stream)), path_(path), limits_(limits), b_(limits) {}

    Grid read(const std::string& sheet) {
        Records rs(stream_, path_);
        Record r;
        if (!rs.next(r) || r.type != kBof || r.data.size() < 4)
            damaged(path_, "缺少活頁簿開頭");
        if (u16(r.data.data()) != 0x0600)
            throw WorkbookError("無法讀取活頁簿 " + path_ +
                                "：不支援 Excel 5.0/95 以前的格式，請另存為較新的格式");
        std::optional<std::uint32_t> sheetPos;
        while (rs.next(r) && r.type != kEof) {
            switch (r.type) {
            case kFilePass:
                throw WorkbookError("無法讀取活頁簿 " + path_ + "：活頁簿有密碼保護");
            case kDateMode:
                need(r, 2);
                date1904_ = u16(r.data.data()) == 1;
                break;
            case kFormat: {
                need(r, 5);
                Continued c({r.data.substr(2)}, path_);
                std::uint16_t cch = c.word();
                bool wide = c.byte() & 1;
                formats_[u16(r.data.data())] = formatCodeKind(c.chars(cch, wide));
                break;
            }
            case kXf:
                need(r, 4);
                xfFormats_.push_back(u16(r.data.data() + 2));
                break;
            case kBoundSheet: {
                need(r, 8);
                Continued c({r.data.substr(6)}, path_);
                std::uint8_t cch = c.byte();
                bool wide = c.byte() & 1;
                std::string name = c.chars(cch, wide);
                if (!sheetPos && std::uint8_t(r.data[5]) == 0 && sameSheetName(name, sheet))
                    sheetPos = u32(r.data.data());
                break;
            }
            case kSst: {
                std::vector<std::string_view> parts{r.data};
                while (rs.peekType() == kContinue && rs.next(r))
                    parts.push_back(r.data);
                readSst(parts);
                break;
            }
            default:
                break;
            }
        }
        if (!sheetPos)
            throw WorkbookError(noSheetMessage(path_, sheet));
        rs.seek(*sheetPos);
        if (!rs.next(r) || r.type != kBof)
            damaged(path_, "工作表開頭的位置無效");
        readCells(rs);
        return b_.build();
    }

  private:
    void need(const Record& r, std::size_t n) {
        if (r.data.size() < n)
            damaged(path_, "位移 " + std::to_string(r.offset) + " 的紀錄太短");
    }

    void readSst(const std::vector<std::string_view>& parts) {
        if (parts[0].size() < 8)
            damaged(path_, "共用字串表太短");
        Continued c(parts, path_);
        c.skip(4);
        std::uint32_t unique = c.dword();
        if (unique > limits_.maxCells)
            damaged(path_, "共用字串數目無效");
        sst_.reserve(unique);
        for (std::uint32_t i = 0; i < unique; ++i)
            sst_.push_back(b_.addText(c.richString()));
    }

    NumberKind kindOf(std::uint16_t xf) const {
        if (xf >= xfFormats_.size())
            return NumberKind::Number;
        std::uint16_t id = xfFormats_[xf];
        auto it = formats_.find(id);
        return it != formats_.end() ? it->second : builtinFormatKind(id);
    }

    void number(std::uint32_t row, std::uint32_t col, std::uint16_t xf, double v) {
        b_.put(row, col, serialText(v, kindOf(xf), date1904_));
    }

    std::uint32_t checkedCol(const Record& r, std::uint16_t col) {
        if (col > 255)
            damaged(path_, "位移 " + std::to_string(r.offset) + " 的欄號超出範圍");
        return col;
    }

    void readCells(Records& rs) {
        Record r;
        while (rs.next(r) && r.type != kEof) {
            const char* d = r.data.data();
            switch (r.type) {
            case kBof:
                // An embedded chart or sheet: skip to its end.
                while (rs.next(r) && r.type != kEof) {
                }
                break;
            case kLabelSst: {
                need(r, 10);
                std::uint32_t i = u32(d + 6);
                if (i >= sst_.size())
                    damaged(path_, "儲存格 " + cellName(u16(d), checkedCol(r, u16(d + 2))) +
                                       " 的共用字串索引無效");
                b_.put(u16(d), checkedCol(r, u16(d + 2)), sst_[i]);
                break;
            }
            case kNumber:
                need(r, 14);
                number(u16(d), checkedCol(r, u16(d + 2)), u16(d + 4), f64(d + 6));
                break;
            case kRk:
                need(r, 10);
                number(u16(d), checkedCol(r, u16(d + 2)), u16(d + 4), rkValue(u32(d + 6)));
                break;
            case kMulRk: {
                need(r, 6);
                std::size_t n = (r.data.size() - 6) / 6;
                std::uint16_t first = u16(d + 2), last = u16(d + r.data.size() - 2);
                if ((r.data.size() - 6) % 6 != 0 || last < first ||
                    std::size_t(last - first + 1) != n)
                    damaged(path_, "位移 " + std::to_string(r.offset) + " 的紀錄長度不符");
                for (std::size_t k = 0; k < n; ++k)
                    number(u16(d), checkedCol(r, std::uint16_t(first + k)), u16(d + 4 + 6 * k),
                           rkValue(u32(d + 6 + 6 * k)));
                break;
            }
            case kLabel:
            case kRString: {
                need(r, 9);
                Continued c({r.data.substr(6)}, path_);
                std::uint16_t cch = c.word();
                bool wide = c.byte() & 1;
                b_.put(u16(d), checkedCol(r, u16(d + 2)), c.chars(cch, wide));
                break;
            }
            case kBoolErr:
                need(r, 8);
                if (d[7] == 0)
                    b_.put(u16(d), checkedCol(r, u16(d + 2)), d[6] ? "TRUE" : "FALSE");
                break; // error values are not copied
            case kFormula:
                need(r, 20);
                formula(rs, r);
                break;
            default:
                break;
            }
        }
    }

    // A formula cell stands for its cached result.
    void formula(Records& rs, const Record& r) {
        const char* d = r.data.data();
        std::uint32_t row = u16(d), col = checkedCol(r, u16(d + 2));
        if (std::uint8_t(d[12]) != 0xFF || std::uint8_t(d[13]) != 0xFF) {
            number(row, col, u16(d + 4), f64(d + 6));
            return;
        }
        switch (std::uint8_t(d[6])) {
        case 0: { // text, in the STRING record that follows
            Record s;
            // Shared, array and table formulas may come before it.
            while (rs.peekType() == 0x04BC || rs.peekType() == 0x0221 || rs.peekType() == 0x0236)
                rs.next(s);
            if (rs.peekType() != kString || !rs.next(s) || s.data.size() < 3)
                damaged(path_, "儲存格 " + cellName(row, col) + " 的公式缺少文字結果");
            std::vector<std::string_view> parts{s.data};
            Record more;
            while (rs.peekType() == kContinue && rs.next(more))
                parts.push_back(more.data);
            Continued c(parts, path_);
            std::uint16_t cch = c.word();
            bool wide = c.byte() & 1;
            b_.put(row, col, c.chars(cch, wide));
            break;
        }
        case 1:
            b_.put(row, col, d[8] ? "TRUE" : "FALSE");
            break;
        case 2: // an error value
        case 3: // an empty text
            break;
        default:
            damaged(path_, "儲存格 " + cellName(row, col) + " 的公式結果無法辨識");
        }
    }

    std::string stream_;
    std::string path_;
    ReadLimits limits_;
    Grid::Builder b_;
    bool date1904_ = false;
    std::unordered_map<std::uint16_t, NumberKind> formats_;
    std::vector<std::uint16_t> xfFormats_;
    std::vector<Grid::Builder::TextRef> sst_;
};

} // namespace

Grid readXls(const std::string& path, const std::string& sheet, const ReadLimits& limits) {
    std::string file = readWholeFile(path, limits.maxPartBytes);
    CompoundFile cf(file, path);
    std::optional<std::string> stream = cf.stream("Workbook", limits.maxPartBytes);
    if (!stream) {
        if (cf.stream("Book", limits.maxPartBytes))
            throw WorkbookError("無法讀取活頁簿 " + path +
                                "：不支援 Excel 5.0/95 以前的格式，請另存為較新的格式");
        throw WorkbookError("無法讀取活頁簿 " + path + "：不是試算表檔案（找不到活頁簿資料流）");
    }
    file.clear();
    file.shrink_to_fit();
    return readBiff(std::move(*stream), path, sheet, limits);
}

Grid readBiff(std::string stream, const std::string& path, const std::string& sheet,
              const ReadLimits& limits) {
    return XlsBook(std::move(stream), path, limits).read(sheet);
}

} // namespace workbook::detail
