// Where the mark CSV goes: a file, or memory for tests and benchmarks. A sink that fails once is
// closed for good, so nothing can reach the file after the point where writing stopped.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/SafeOutput.h"

namespace veldrant::marks {

class IOutputSink {
public:
    virtual ~IOutputSink() = default;
    // Appends bytes. False when they cannot be written; the sink is closed from then on.
    virtual bool Write(std::string_view bytes) = 0;
    // Pushes buffered bytes out. False (and closed) when they cannot be written.
    virtual bool Flush() = 0;
    // Flushes and closes. False when buffered bytes could not be written or the sink had failed.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    // Why the sink failed ("" while it has not).
    virtual const std::string& Error() const = 0;
};

// Collects everything in a string.
class MemorySink : public IOutputSink {
public:
    bool Write(std::string_view bytes) override;
    bool Flush() override { return open_; }
    bool Close() override;
    bool IsOpen() const override { return open_; }
    const std::string& Error() const override { return error_; }

    const std::string& Data() const { return data_; }
    void Reserve(size_t bytes) { data_.reserve(bytes); }
    void Clear() { data_.clear(); }

private:
    std::string data_;
    std::string error_;
    bool open_ = true;
};

// A file at a path, written through a buffer into a temporary file beside it: Close puts it in
// place of the file of that name; a sink that failed, or that is abandoned or destroyed without
// Close, leaves that file as it was.
class FileSink : public IOutputSink {
public:
    // Refuses a path that is not a regular file, then starts the temporary file. nullptr with
    // the reason in *error.
    static std::unique_ptr<FileSink> Create(const std::string& path, std::string* error);
    ~FileSink() override = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool Write(std::string_view bytes) override;
    bool Flush() override;
    // Flushes and puts the file in place. False (the old file kept) when anything failed.
    bool Close() override;
    // Flushes and puts the file beside the path under the first free name of "NAME.TAG.EXT",
    // "NAME.TAG-2.EXT", ...: the file of that name stays as it was. False as Close.
    bool CloseAside(const std::string& tag);
    // True when a file was at the path when the sink was created.
    bool Replaces() const { return out_->Replaces(); }
    // Where the file was put once closed.
    const std::string& Placed() const { return out_->Placed(); }
    bool IsOpen() const override { return open_; }
    const std::string& Error() const override { return error_; }
    // Drops what was written: the file of that name stays as it was.
    void Abandon();

private:
    explicit FileSink(std::unique_ptr<platform::SafeOutput> out) : out_(std::move(out)) {}
    void Fail();

    static constexpr size_t kBufferSize = 64 * 1024;
    std::unique_ptr<platform::SafeOutput> out_;
    std::string buffer_;
    std::string error_;
    bool open_ = true;
};

}  // namespace veldrant::marks
