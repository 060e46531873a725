// The program: creates the application object and its main window, then runs
// the message loop until the main window is closed.
#include "app/record_form.h"
#include "imaging/gif_image.h"
#include "imaging/gif_image_ex.h"
#include "platform/classlib/application.h"
#include "platform/classlib/form.h"
#include "controls/rx_controls.h"
#include "resources/artwork.h"

using namespace classlib;

int main() {
  Application->Initialize();
  resources::RegisterArtwork();
  lumicast::RegisterGIFImage();
  lumicast::RegisterGIFImageEx();
  lumicast::gifex::GIFSizePasses = true;  // optimised GIFs are also made smaller losslessly
  controls::InitControlCursors();
  Application->SetTitle("Velmora Lumicast Pro");
  TForm* main_form = Application->CreateForm<TForm>();
  main_form->SetCaption("Velmora Lumicast Pro");
  main_form->SetPosition(poScreenCenter);
  main_form->SetClientSize(640, 480);
  // The recording window exists before the conversion window, which records through it.
  Application->CreateForm<lumicast::TRecordFrm>();
  Application->Run();
  Application->DestroyForms();
  return 0;
}
