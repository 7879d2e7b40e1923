// The path clean-up's reference version: the same contract as
// CanonicalizeCommandPath (commands/CanonicalizeCommandPath.h), written apart
// from it, with indices instead of a table, for the native tests and the
// differential fuzz target to compare against.
#pragma once

int CanonicalizeCommandPathReference(char* pszPath);
