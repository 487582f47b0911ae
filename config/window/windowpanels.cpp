#include "windowpanels.h"

#include "dtmfstringlist.h"
#include "listops.h"
#include "settingspanel.h"
#include "terminalpane.h"
#include "unitconfig.h"
#include "windoweditorhost.h"

WindowPanels::WindowPanels() = default;
WindowPanels::~WindowPanels() = default;

void WindowPanels::followOptions(bool unitFree) const
{
    settings->applyDependents();
    const bool serialToDtmf = settings->optionTicked(UnitOption::SerialToDtmf) && unitFree;
    dtmfStrings->setEntriesEnabled(serialToDtmf);
    terminal->setInstantDtmfEnabled(serialToDtmf);
}
