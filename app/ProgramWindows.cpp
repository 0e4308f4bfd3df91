#include "ProgramWindows.h"

#include "WizardWindows.h"
#include "ufrmAbout.h"
#include "ufrmFinish.h"
#include "ufrmMain.h"
#include "ufrmWelcome.h"

void CreateWindows(const TProgramArgs& args) {
  frmWelcome = new TfrmWelcome;
  frmAbout = new TfrmAbout;
  frmFinish = new TfrmFinish;
  MainForm = new TMainForm(args.Library, args.ImageFile);
  MainForm->FormCreate();  // shows its own failures
}

void DestroyWindows() {
  delete frmWelcome;
  frmWelcome = nullptr;
  delete frmAbout;
  frmAbout = nullptr;
  delete frmFinish;
  frmFinish = nullptr;
  delete MainForm;
  MainForm = nullptr;
}

