#include "ui/WindowLayout.h"

namespace {

int AtLeastOne(int n)
{
    return n < 1 ? 1 : n;
}

} // namespace

int GetCenteredIconOffset(int nClient, int nIcon)
{
    return (nClient - nIcon + 1) / 2;
}

FitScale GetFitScale(int cxClient, int cyClient, int cxRoom, int cyRoom)
{
    cxClient = AtLeastOne(cxClient);
    cyClient = AtLeastOne(cyClient);
    cxRoom = AtLeastOne(cxRoom);
    cyRoom = AtLeastOne(cyRoom);
    if (cxClient <= cxRoom && cyClient <= cyRoom)
        return {1, 1};
    // cxRoom / cxClient against cyRoom / cyClient, without dividing.
    if (static_cast<long long>(cxRoom) * cyClient <= static_cast<long long>(cyRoom) * cxClient)
        return {cxRoom, cxClient};
    return {cyRoom, cyClient};
}
