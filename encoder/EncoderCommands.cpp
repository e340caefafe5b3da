#include "encoder/EncoderCommands.h"

#include "app/frmQB.h"

namespace qb {

void EncoderCommands::T_mnuENCODE_Click() {}
void EncoderCommands::EncodeNote() {}
void EncoderCommands::DecodeNote() {}

} // namespace qb
