#include "backup/StreamingZip.h"

#include <fcntl.h>
#include <isa-l.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/platform/FileDescriptor.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kChunk = 1 << 20;

class Output {
 public:
  explicit Output(const fs::path& path) : FPath(path) {
    FFd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (FFd < 0) Fail("não foi possível criar");
  }
  ~Output() {
    if (FFd >= 0) ::close(FFd);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(const void* data, size_t len) {
    if (!platform::WriteAll(FFd, data, len)) Fail("falha ao gravar");
    FOffset += len;
  }
  void WriteAt(std::uint64_t offset, const std::vector<unsigned char>& data) {
    if (::pwrite(FFd, data.data(), data.size(), static_cast<off_t>(offset)) !=
        static_cast<ssize_t>(data.size())) {
      Fail("falha ao gravar");
    }
  }
  void Close() {
    if (::fsync(FFd) != 0) Fail("falha ao gravar");
    const int fd = FFd;
    FFd = -1;
    if (::close(fd) != 0) Fail("falha ao fechar");
  }
  [[nodiscard]] std::uint64_t Offset() const { return FOffset; }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw std::runtime_error(std::string(what) + " " + FPath.string() + ": " +
                             std::strerror(errno));
  }
  fs::path FPath;
  int FFd = -1;
  std::uint64_t FOffset = 0;
};

void Put16(std::vector<unsigned char>& b, std::uint32_t v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
void Put32(std::vector<unsigned char>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Put64(std::vector<unsigned char>& b, std::uint64_t v) {
  Put32(b, static_cast<std::uint32_t>(v));
  Put32(b, static_cast<std::uint32_t>(v >> 32));
}

std::pair<std::uint16_t, std::uint16_t> DosDateTime(const TDateTime& t) {
  TDateTime::Parts p = t.Decode();
  if (p.Year < 1980) p = TDateTime::Parts{1980, 1, 1, 0, 0, 0, 0};
  const auto time = static_cast<std::uint16_t>((p.Hour << 11) | (p.Minute << 5) | (p.Second / 2));
  const auto date = static_cast<std::uint16_t>(((p.Year - 1980) << 9) | (p.Month << 5) | p.Day);
  return {time, date};
}

constexpr std::uint16_t kVersionZip64 = 45;
constexpr std::uint16_t kFlagUtf8 = 1 << 11;
constexpr std::uint16_t kMethodDeflate = 8;

// The local header: sizes always through the Zip64 extra field, since the final size of a file
// still being written is not known. CRC and sizes are filled in when the entry is complete.
std::vector<unsigned char> LocalHeader(const std::string& name, std::uint16_t dosTime,
                                       std::uint16_t dosDate, const ZipEntryResult& r) {
  std::vector<unsigned char> h;
  Put32(h, 0x04034b50);
  Put16(h, kVersionZip64);
  Put16(h, kFlagUtf8);
  Put16(h, kMethodDeflate);
  Put16(h, dosTime);
  Put16(h, dosDate);
  Put32(h, r.Crc32);
  Put32(h, 0xFFFFFFFF);
  Put32(h, 0xFFFFFFFF);
  Put16(h, static_cast<std::uint32_t>(name.size()));
  Put16(h, 20);  // extra field length
  h.insert(h.end(), name.begin(), name.end());
  Put16(h, 0x0001);  // Zip64 extended information
  Put16(h, 16);
  Put64(h, r.UncompressedSize);
  Put64(h, r.CompressedSize);
  return h;
}

std::vector<unsigned char> CentralDirectory(const std::string& name, std::uint16_t dosTime,
                                            std::uint16_t dosDate, const ZipEntryResult& r) {
  std::vector<unsigned char> h;
  Put32(h, 0x02014b50);
  Put16(h, (3 << 8) | kVersionZip64);  // made by Unix
  Put16(h, kVersionZip64);
  Put16(h, kFlagUtf8);
  Put16(h, kMethodDeflate);
  Put16(h, dosTime);
  Put16(h, dosDate);
  Put32(h, r.Crc32);
  Put32(h, 0xFFFFFFFF);
  Put32(h, 0xFFFFFFFF);
  Put16(h, static_cast<std::uint32_t>(name.size()));
  Put16(h, 20);
  Put16(h, 0);               // comment
  Put16(h, 0);               // disk
  Put16(h, 0);               // internal attributes
  Put32(h, 0100644u << 16);  // external attributes: a regular file, rw-r--r--
  Put32(h, 0);               // local header offset
  h.insert(h.end(), name.begin(), name.end());
  Put16(h, 0x0001);
  Put16(h, 16);
  Put64(h, r.UncompressedSize);
  Put64(h, r.CompressedSize);
  return h;
}

std::vector<unsigned char> EndRecords(std::uint64_t cdOffset, std::uint64_t cdSize) {
  std::vector<unsigned char> h;
  const bool zip64 = cdOffset >= 0xFFFFFFFF || cdSize >= 0xFFFFFFFF;
  if (zip64) {
    const std::uint64_t recordOffset = cdOffset + cdSize;
    Put32(h, 0x06064b50);
    Put64(h, 44);
    Put16(h, (3 << 8) | kVersionZip64);
    Put16(h, kVersionZip64);
    Put32(h, 0);
    Put32(h, 0);
    Put64(h, 1);
    Put64(h, 1);
    Put64(h, cdSize);
    Put64(h, cdOffset);
    Put32(h, 0x07064b50);
    Put32(h, 0);
    Put64(h, recordOffset);
    Put32(h, 1);
  }
  Put32(h, 0x06054b50);
  Put16(h, 0);
  Put16(h, 0);
  Put16(h, 1);
  Put16(h, 1);
  Put32(h, static_cast<std::uint32_t>(std::min<std::uint64_t>(cdSize, 0xFFFFFFFF)));
  Put32(h, static_cast<std::uint32_t>(std::min<std::uint64_t>(cdOffset, 0xFFFFFFFF)));
  Put16(h, 0);
  return h;
}

struct FreeDeleter {
  void operator()(unsigned char* p) const { std::free(p); }
};

}  // namespace

ZipEntryResult WriteSingleEntryZip(const fs::path& archive, const std::string& entryName,
                                   const TDateTime& modified, const ZipSource& source) {
  ZipEntryResult result;
  try {
    Output out(archive);
    const auto [dosTime, dosDate] = DosDateTime(modified);
    const std::vector<unsigned char> placeholder = LocalHeader(entryName, dosTime, dosDate, result);
    out.Write(placeholder.data(), placeholder.size());

    isal_zstream stream{};
    isal_deflate_init(&stream);
    std::unique_ptr<unsigned char, FreeDeleter> levelBuf(
        static_cast<unsigned char*>(std::malloc(ISAL_DEF_LVL3_DEFAULT)));
    if (!levelBuf) throw std::bad_alloc();
    // Level 3: within ~15% of zip -6's size on backup files, still several times faster.
    stream.level = 3;
    stream.level_buf = levelBuf.get();
    stream.level_buf_size = ISAL_DEF_LVL3_DEFAULT;
    stream.gzip_flag = IGZIP_DEFLATE;
    std::vector<unsigned char> in(kChunk), outBuf(kChunk + kChunk / 8);
    std::uint32_t crc = 0;
    bool finished = false;
    while (!finished) {
      const size_t got = source(in.data(), in.size());
      crc = crc32_gzip_refl(crc, in.data(), got);
      result.UncompressedSize += got;
      stream.next_in = in.data();
      stream.avail_in = static_cast<std::uint32_t>(got);
      stream.end_of_stream = got == 0 ? 1 : 0;
      do {
        stream.next_out = outBuf.data();
        stream.avail_out = static_cast<std::uint32_t>(outBuf.size());
        if (isal_deflate(&stream) != COMP_OK)
          throw std::runtime_error("falha ao compactar " + entryName);
        const size_t produced = outBuf.size() - stream.avail_out;
        out.Write(outBuf.data(), produced);
        result.CompressedSize += produced;
      } while (stream.avail_in > 0 ||
               (stream.end_of_stream && stream.internal_state.state != ZSTATE_END));
      finished = got == 0;
    }
    result.Crc32 = crc;
    out.WriteAt(0, LocalHeader(entryName, dosTime, dosDate, result));
    const std::uint64_t cdOffset = out.Offset();
    const std::vector<unsigned char> cd = CentralDirectory(entryName, dosTime, dosDate, result);
    out.Write(cd.data(), cd.size());
    const std::vector<unsigned char> end = EndRecords(cdOffset, cd.size());
    out.Write(end.data(), end.size());
    out.Close();
  } catch (...) {
    std::error_code ec;
    fs::remove(archive, ec);
    throw;
  }
  return result;
}

void PublishFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec) throw std::runtime_error("não foi possível gravar " + to.string() + ": " + ec.message());
}

GrowingFileReader::GrowingFileReader(fs::path file, std::function<bool()> producerDone)
    : FFile(std::move(file)), FProducerDone(std::move(producerDone)) {}

GrowingFileReader::~GrowingFileReader() {
  if (FFd >= 0) ::close(FFd);
}

size_t GrowingFileReader::Read(unsigned char* buf, size_t cap) {
  using namespace std::chrono_literals;
  while (FFd < 0) {
    // Ask before trying, so a file created just before the producer finished is still read.
    const bool done = FProducerDone();
    FFd = ::open(FFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (FFd >= 0) break;
    if (errno != ENOENT)
      throw std::runtime_error("não foi possível ler " + FFile.string() + ": " +
                               std::strerror(errno));
    if (done) throw std::runtime_error("o arquivo " + FFile.string() + " não foi gerado");
    std::this_thread::sleep_for(20ms);
  }
  while (true) {
    const bool done = FProducerDone();
    const ssize_t n = ::read(FFd, buf, cap);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error("falha ao ler " + FFile.string() + ": " + std::strerror(errno));
    }
    if (n > 0) return static_cast<size_t>(n);
    // At the end of what is written so far: finished only if the producer was already done
    // before this read found nothing more.
    if (done) return 0;
    std::this_thread::sleep_for(20ms);
  }
}
