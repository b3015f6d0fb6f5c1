#include "cli/io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace lodthresh::cli {

namespace {

constexpr std::size_t kBlock = std::size_t{64} * 1024;

// Where a write to fd will land in a regular file that it extends, or -1 when
// fd is no regular file or writes within it.
off_t end_offset(int fd) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags != -1 && (flags & O_APPEND) != 0) {
        return status.st_size;
    }
    const off_t position = lseek(fd, 0, SEEK_CUR);
    return position == status.st_size ? position : -1;
}

}  // namespace

void RowOutput::add(const std::string& text) {
    if (error_ != 0) {
        return;
    }
    pending_ += text;
    if (pending_.size() >= kBlock) {
        flush();
    }
}

bool RowOutput::flush() {
    if (error_ != 0 || pending_.empty()) {
        pending_.clear();
        return error_ == 0;
    }
    if (status_line_ != nullptr) {
        status_line_->erase();
    }
    const off_t start = end_offset(fd_);
    std::size_t written = 0;
    while (written < pending_.size()) {
        const ssize_t n = write(fd_, pending_.data() + written, pending_.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            // A full disk may take part of the block: cut it off again.
            if (written > 0 && start >= 0 && ftruncate(fd_, start) == 0) {
                lseek(fd_, start, SEEK_SET);
            }
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    pending_.clear();
    if (status_line_ != nullptr) {
        status_line_->redraw();
    }
    return error_ == 0;
}

bool LineReader::refill() {
    if (ended_) {
        return false;
    }
    output_.flush();
    buffer_.erase(0, start_);
    start_ = 0;
    const std::size_t kept = buffer_.size();
    buffer_.resize(kept + kBlock);
    ssize_t n = 0;
    do {
        n = read(fd_, &buffer_[kept], kBlock);
    } while (n < 0 && errno == EINTR);
    buffer_.resize(kept + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n <= 0) {
        ended_ = true;
        error_ = n < 0 ? errno : 0;
    }
    return n > 0;
}

bool LineReader::next(std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    for (;;) {
        const std::size_t end = buffer_.find('\n', start_);
        const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
        // Keep at most kMaxLine characters of a line; drop the rest unread.
        const std::size_t room = kMaxLine - line.size();
        if (stop - start_ > room) {
            too_long = true;
        }
        line.append(buffer_, start_, std::min(stop - start_, room));
        if (end != std::string::npos) {
            start_ = end + 1;
            return true;
        }
        start_ = buffer_.size();
        if (!refill()) {
            // A last line without a line end still counts.
            return error_ == 0 && (!line.empty() || too_long);
        }
    }
}

}  // namespace lodthresh::cli
