#include "workflow/app_startup.h"

#include "encoder/ffmpeg_tools.h"
#include "foundation/kest_errors.h"
#include "workflow/msg_dlg.h"

app_core::app_core(batch_view& view)
    : view_(view),
      profiles_(ProfileList_Create()),
      driver_(std::make_unique<batch_driver>(*profiles_, settings_, view)) {}

app_core::~app_core() = default;

bool app_core::FirstShow(const settings_location& where, const std::vector<std::string>& files) {
  ready_ = false;
  where_ = where;
  started_ = true;
  driver_->SetMergeChosen(false);
  settings_.Load(where, *profiles_);
  const int start =
      SelectStartProfile(*profiles_, settings_.LastProfileId(), settings_.LastProfileDesc());
  if (start < 0) {
    Msg_Error(text_missing_formats);
    return false;
  }
  driver_->SetSelectedProfile(start);
  driver_->SetIdle();
  ready_ = true;
  if (!Ffmpeg_ExeExists()) {
    // A plain system box: the themed dialogs may be what is missing.
    DvlShowError(std::string(text_component_missing));
    view_.CloseWindow();
    return false;
  }
  driver_->AddFiles(files);
  return true;
}

void app_core::EndOfLife() {
  if (ended_) return;
  ended_ = true;
  ready_ = false;
  if (started_) settings_.Save(where_, *profiles_);
}

bool app_core::Close() {
  if (!driver_->CloseRequest()) return false;
  EndOfLife();
  return true;
}
