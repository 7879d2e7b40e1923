#include "ui/WindowLayout.h"

int GetCenteredIconOffset(int nClient, int nIcon)
{
    return (nClient - nIcon + 1) / 2;
}
