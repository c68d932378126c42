// Command interpreter: normalisation through the synonym table, and the common commands.
#pragma once

#include <cstddef>

extern "C" {

// Size of the command buffer a line lives in: at most 511 characters and the NUL.
constexpr size_t CommandBufferSize = 512;

// The 14 synonym groups in table order, null-terminated. Each group is a null-terminated
// list: the canonical upper-case word first, then its lower-case synonyms in trial order.
extern const char* const* const SynonymTable[];

// Rewrites the NUL-terminated line in place (leading spaces dropped, A-Z lowered, at most
// one synonym replaced per group). Never writes past CommandBufferSize bytes.
void NormalizeCommand(char* line);

// The most NormalizeCommand can lengthen a line, in bytes.
extern const size_t NormalizationGrowth;

// Answers a normalised line no room recognised: inventory, help, or the refusal;
// says nothing to the empty line. Called last by every room handler.
void CommonCommands(const char* line);

}  // extern "C"
