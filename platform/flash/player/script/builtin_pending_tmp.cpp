#include "platform/flash/player/script/realm.h"
namespace flash {

void InstallSystem(Realm&) {}
void InstallStage(Realm&) {}
void InstallSharedObject(Realm&) {}
void InstallContextMenu(Realm&) {}
void InstallExternalInterface(Realm&) {}
}
