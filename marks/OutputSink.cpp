#include "marks/OutputSink.h"

namespace veldrant::marks {

bool MemorySink::Write(std::string_view bytes) {
    if (!open_)
        return false;
    data_.append(bytes);
    return true;
}

bool MemorySink::Close() {
    open_ = false;
    return true;
}

std::unique_ptr<FileSink> FileSink::Create(const std::string& path, std::string* error) {
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, error);
    if (!out)
        return nullptr;
    return std::unique_ptr<FileSink>(new FileSink(std::move(out)));
}

void FileSink::Fail() {
    if (error_.empty())
        error_ = out_->Error();
    out_->Abandon();
    open_ = false;
    buffer_.clear();
}

bool FileSink::Write(std::string_view bytes) {
    if (!open_)
        return false;
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferSize)
        return Flush();
    return true;
}

bool FileSink::Flush() {
    if (!open_)
        return false;
    if (!out_->Write(buffer_)) {
        Fail();
        return false;
    }
    buffer_.clear();
    return true;
}

bool FileSink::Close() {
    if (!open_)
        return error_.empty() && out_->Committed();
    if (!Flush())
        return false;
    open_ = false;
    if (!out_->Commit()) {
        error_ = out_->Error();
        return false;
    }
    return true;
}

bool FileSink::CloseAside(const std::string& tag) {
    if (!open_)
        return false;
    if (!Flush())
        return false;
    open_ = false;
    if (!out_->CommitAside(tag)) {
        error_ = out_->Error();
        return false;
    }
    return true;
}

void FileSink::Abandon() {
    out_->Abandon();
    open_ = false;
    buffer_.clear();
}

}  // namespace veldrant::marks
