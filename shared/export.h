#pragma once

// Libraries are built with hidden visibility; this marks what they export.
#define VIDMORA_EXPORT __attribute__((visibility("default")))
