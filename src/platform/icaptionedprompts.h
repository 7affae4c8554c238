#pragma once
// A prompt service that can give a message window a caption of its own instead of its kind's.
// Responders without windows need not offer it: Show falls back to the plain message there.

#include "platform/iprompts.h"
#include "platform/services.h"

class ICaptionedPrompts {
 public:
  virtual ~ICaptionedPrompts() = default;
  virtual TModalResult CaptionedMessageDlg(const QString& caption, const QString& text, TMsgDlgType kind,
                                           TMsgDlgButtons buttons) = 0;

  // Asks through the program's prompt service, under `caption` where it can show one.
  static TModalResult Show(const QString& caption, const QString& text, TMsgDlgType kind, TMsgDlgButtons buttons) {
    IPrompts& prompts = TServices::Prompts();
    if (auto* captioned = dynamic_cast<ICaptionedPrompts*>(&prompts))
      return captioned->CaptionedMessageDlg(caption, text, kind, buttons);
    return prompts.MessageDlg(text, kind, buttons);
  }
};
