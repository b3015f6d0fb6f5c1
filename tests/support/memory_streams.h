// C streams over memory for driving console code from tests.
#ifndef LODTHRESH_TESTS_SUPPORT_MEMORY_STREAMS_H
#define LODTHRESH_TESTS_SUPPORT_MEMORY_STREAMS_H

#include <cstdio>
#include <cstdlib>
#include <string>

namespace lodthresh::testing {

// An input stream that holds `text` and then ends (a temporary file, so that
// empty input works too).
class InputStream {
  public:
    explicit InputStream(const std::string& text) : file_(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file_);
        std::rewind(file_);
    }
    ~InputStream() { std::fclose(file_); }
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    std::FILE* get() const { return file_; }
    // What has not been read yet.
    std::string rest() const {
        std::string text;
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
            text += static_cast<char>(c);
        }
        return text;
    }

  private:
    std::FILE* file_;
};

// An output stream that collects what is written to it.
class OutputStream {
  public:
    OutputStream() : file_(open_memstream(&buffer_, &size_)) {}
    ~OutputStream() {
        std::fclose(file_);
        std::free(buffer_);
    }
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    std::FILE* get() const { return file_; }
    std::string text() {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

  private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

}  // namespace lodthresh::testing

#endif  // LODTHRESH_TESTS_SUPPORT_MEMORY_STREAMS_H
