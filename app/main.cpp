// The program: creates the application object, starts on the main window with the job list
// restored, then runs the message loop until the main window is closed.
#include "app/main_form.h"
#include "controls/rx_controls.h"
#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "platform/classlib/application.h"
#include "resources/artwork.h"

using namespace classlib;

int main() {
  Application->Initialize();
  resources::RegisterArtwork();
  lumicast::RegisterGIFImage();
  lumicast::RegisterGIFImageEx();
  lumicast::gifex::GIFSizePasses = true;  // optimised GIFs are also made smaller losslessly
  controls::InitControlCursors();
  lumicast::StartProgram();
  if (!Application->Terminated()) Application->Run();
  Application->DestroyForms();
  return 0;
}
