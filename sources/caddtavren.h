// ADDTAVRENCMD: puts a bind tag on every selected polygon object in one undo step and, with
// shift or control held, a deformer under the object or under its parent.
#ifndef CADDTAVREN_H
#define CADDTAVREN_H

#include "c4d.h"
#include "tavrenids.h"

enum : Int32 { IDS_ADDTAVRENCMD = 1005, IDS_ADDTAVRENCMD_HELP = 1006 };

class ADDTAVRENCMD : public CommandData {
 public:
  ~ADDTAVRENCMD() override = default;
  Bool Execute(BaseDocument* doc) override;
  Int32 GetState(BaseDocument* doc) override;
};

#endif
