// The path clean-up's reference version: the same contract as
// CanonicalizeCommandPath (commands/CanonicalizeCommandPath.h), written for
// plainness rather than speed.
#pragma once

int CanonicalizeCommandPathReference(char* pszPath);
