// libjpeg reports a fatal problem by calling error_exit, which must not return: jumping
// back out of the codec keeps the problem ours to report.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace elevation::detail {

struct JpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX] = "";
    int code = 0;   // libjpeg's message code
};

inline void onJpegFailure(j_common_ptr info) {
    auto* failure = reinterpret_cast<JpegFailure*>(info->err);
    failure->code = info->err->msg_code;
    (*info->err->format_message)(info, failure->message);
    std::longjmp(failure->escape, 1);
}

// Installs the failure handler on a codec's error manager; the caller sets the jump point.
inline jpeg_error_mgr* jpegFailureManager(JpegFailure& failure) {
    jpeg_std_error(&failure.manager);
    failure.manager.error_exit = onJpegFailure;
    return &failure.manager;
}

}  // namespace elevation::detail
