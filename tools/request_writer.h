#pragma once
// Hands a request to the tool: the file appears at once with all its lines, or not at all, and a
// request already waiting is never replaced.

#include <functional>
#include <string>
#include <string_view>

namespace tools {

enum class WriteRequestResult {
    written,  // the request file holds `content`
    pending,  // a request file was there already; it is left as it was
    failed,   // nothing was published; `error` says why
};

// Writes `content` to a temporary file beside `request_path` and renames it into place. The tool
// reads the request in the pass in which it first sees it, so it must never see a partial file.
// `before_publish`, when set, is called with the finished temporary file's path just before the
// rename (for tests). No temporary file is left behind.
WriteRequestResult write_request_file(const std::string& request_path, std::string_view content,
                                      std::string& error,
                                      const std::function<void(const std::string&)>& before_publish = {});

}  // namespace tools
