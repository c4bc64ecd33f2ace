#include "app/core/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <cstdio>
#include <filesystem>
#include <fstream>
#endif

namespace qv::settings {

void fill_default(Record& record) {
    // The key stays "0" while the defaults go in and becomes "1" last, so a
    // record caught half-filled never passes for a settings record.
    put_text(field(record.data(), TAB_CHAVE), "0");
    put_digits(field(record.data(), TAB_VALOR_MAXIMO), 0);
    put_digits(field(record.data(), TAB_PERC_REFEICAO), 0);
    put_digits(field(record.data(), TAB_PERC_BEBIDAS), 0);
    put_digits(field(record.data(), TAB_SENHA_LIBERACAO), 0);
    for (int n = 1; n <= kOperators; ++n) {
        blank(field(record.data(), TAB_NOME_OPERADOR(n)));
        put_digits(field(record.data(), TAB_SENHA_OPERADOR(n)), 0);
    }
    put_text(field(record.data(), TAB_CHAVE), "1");
}

bool is_valid(const Record& record) {
    const char* r = record.data();
    if (!equals_text(field(r, TAB_CHAVE), "1")) return false;
    for (const FieldSpec& f :
         {TAB_VALOR_MAXIMO, TAB_PERC_REFEICAO, TAB_PERC_BEBIDAS, TAB_SENHA_LIBERACAO}) {
        if (!all_digits(field(r, f))) return false;
    }
    for (int n = 1; n <= kOperators; ++n) {
        if (!all_digits(field(r, TAB_SENHA_OPERADOR(n)))) return false;
    }
    return true;
}

namespace {

void tell(SaveObserver observer, SaveStage stage) {
    if (observer != nullptr) observer(stage);
}

} // namespace

#ifndef _WIN32

namespace {

FileStatus status_of_errno(int error) {
    switch (error) {
    case ENOENT:
        return kStatusNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kStatusNoAccess;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return kStatusNoSpace;
    default:
        return kStatusError;
    }
}

// Closes a descriptor on every way out.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) (void)::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now; false when the close reported an error (a late write error).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

FileStatus read_record(const std::string& path, Record& record) {
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return status_of_errno(errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return status_of_errno(errno);
    if (!S_ISREG(st.st_mode)) return kStatusError;
    // One byte more than a record, to tell a longer file from a whole record.
    std::array<char, kRecordSize + 1> buffer{};
    std::size_t got = 0;
    while (got < buffer.size()) {
        const ssize_t n = ::read(fd.get(), buffer.data() + got, buffer.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return status_of_errno(errno);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got != kRecordSize) return kStatusNoRecord;
    std::copy_n(buffer.begin(), kRecordSize, record.begin());
    return is_valid(record) ? kStatusOk : kStatusNoRecord;
}

FileStatus write_record(const std::string& path, const Record& record, SaveObserver observer) {
    // The new file is made beside the old one, so the rename stays within
    // one file system and replaces the old file in one step.
    std::string temp = path + ".novo-XXXXXX";
    Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC)); // mode 0600: the file holds passwords
    if (fd.get() < 0) return status_of_errno(errno);
    tell(observer, SaveStage::created);

    auto fail = [&temp](int error) {
        (void)::unlink(temp.c_str());
        return status_of_errno(error);
    };
    const std::size_t half = kRecordSize / 2;
    if (!write_all(fd.get(), record.data(), half)) return fail(errno);
    tell(observer, SaveStage::half_written);
    if (!write_all(fd.get(), record.data() + half, kRecordSize - half)) return fail(errno);
    tell(observer, SaveStage::written);
    if (::fsync(fd.get()) != 0) return fail(errno);
    if (!fd.close()) return fail(errno);
    tell(observer, SaveStage::flushed);
    if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno);
    tell(observer, SaveStage::renamed);
    // Make the rename itself durable; the data is safe either way.
    Descriptor dir(::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) (void)::fsync(dir.get());
    return kStatusOk;
}

#else // Windows

FileStatus read_record(const std::string& path, Record& record) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return ec ? kStatusError : kStatusNotFound;
    std::ifstream in(path, std::ios::binary);
    if (!in) return kStatusNoAccess;
    std::array<char, kRecordSize + 1> buffer{};
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.bad()) return kStatusError;
    if (static_cast<std::size_t>(in.gcount()) != kRecordSize) return kStatusNoRecord;
    std::copy_n(buffer.begin(), kRecordSize, record.begin());
    return is_valid(record) ? kStatusOk : kStatusNoRecord;
}

FileStatus write_record(const std::string& path, const Record& record, SaveObserver observer) {
    const std::string temp = path + ".novo";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return kStatusNoAccess;
        tell(observer, SaveStage::created);
        const std::size_t half = kRecordSize / 2;
        out.write(record.data(), static_cast<std::streamsize>(half));
        tell(observer, SaveStage::half_written);
        out.write(record.data() + half, static_cast<std::streamsize>(kRecordSize - half));
        tell(observer, SaveStage::written);
        out.flush();
        if (!out) {
            out.close();
            (void)std::remove(temp.c_str());
            return kStatusNoSpace;
        }
    }
    tell(observer, SaveStage::flushed);
    std::error_code ec;
    std::filesystem::rename(temp, path, ec); // replaces the old file in one step
    if (ec) {
        (void)std::remove(temp.c_str());
        return kStatusError;
    }
    tell(observer, SaveStage::renamed);
    return kStatusOk;
}

#endif

} // namespace qv::settings
