#include "update/gui/UpdateLook.h"

namespace update {

const common::ProgramLook kUpdateLook{
    .title = "Update",
    .iconName = "update",
    .main = {.clientHeight = 2055,
             .label1 = {120, 120, 1332, 252},
             .label2 = {120, 840, 1332, 252},
             .txtDestino = {120, 1080, 3492, 288},
             .cmdExploraDestino = {3720, 1080, 252, 252},
             .cmdAcercaDe = {120, 1560, 1212, 372},
             .cmdCancelar = {1920, 1560, 972, 372},
             .runButton = {3000, 1560, 972, 372},
             .runName = "cmdActualizar",
             .runCaption = "&Actualizar"},
    .progress = {.name = "frmUpdate",
                 .caption = "Actualizando...",
                 .clientWidth = 6000,
                 .clientHeight = 2025,
                 .file = {120, 840, 5652, 252},
                 .path = {120, 1080, 5652, 252}},
    .about = {.major = VERSION_MAJOR,
              .minor = VERSION_MINOR,
              .revision = VERSION_REVISION,
              .description =
                  "Mantiene sincronizadas dos copias de una carpeta. Ideal para copias de seguridad "
                  "diarias sobre un segundo disco duro o un dispositivo removible. V\u00e9ase "
                  "Update.txt para m\u00e1s informaci\u00f3n.",
              .legalNotice = LEGAL_NOTICE},
};

}  // namespace update
