// The installer's texts compiled in, for a program without a string table.
// A file of its own, so that a program with one does not carry them twice.
#include "cdprograms/install/InstallMessage.h"

#include "cdprograms/install/InstallText.h"

namespace {

struct TextEntry
{
    unsigned nId;
    const char* pszText;
};

#define QX_TEXT_ENTRY(id, text) {id, text},
const TextEntry kTexts[] = {QX_INSTALL_TEXTS(QX_TEXT_ENTRY)};
#undef QX_TEXT_ENTRY

} // namespace

const char* FindInstallText(unsigned nId)
{
    for (const TextEntry& entry : kTexts) {
        if (entry.nId == nId)
            return entry.pszText;
    }
    return nullptr;
}
