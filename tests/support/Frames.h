// Reply frames as the reader sends them, for tests.
#pragma once

#include "reader_link/ByteString.h"
#include "reader_link/FrameLayout.h"

inline ByteString ReplyFrame(const ByteString& payload) { return frame::BuildReply(payload); }
