#pragma once

// What a stored template holds, as painting sees it: the layers its template
// file names, in painting order (earlier layers lie below later ones), each
// read from its layer file, and every problem found on the way. This is the
// one reader of stored templates: the frame hook's prepare, the in-memory
// painting, the player and the batch's check before a file all go through it,
// so that what is checked is what is painted.
//
// Plain values; no state is kept. Any thread.

#include "shared/template/edited_layer.h"

#include <QString>

#include <vector>

namespace glyphra {

struct TemplateLayer {
  QString name;                  // as the template file lists it
  vidmora::EditedLayer values;   // read with the format's forward key search
  bool hasText = false;          // the layer file has a "Text" part
};

struct TemplateProblem {
  enum class Kind {
    kTemplateFile,  // the template file itself (nothing is painted)
    kLayerName,     // a listed layer name that is no plain file name
    kLayerFile,     // a layer file that is missing or damaged (that layer is not painted)
    kPicture,       // a layer's picture that cannot be loaded (only checked when asked)
  };
  Kind kind = Kind::kTemplateFile;
  QString layerName;  // empty for kTemplateFile
  QString path;       // the file concerned (the layer name for kLayerName)
  QString reason;     // a phrase that follows the path: "is missing", "cannot be read as XML", ...
};

struct TemplateReading {
  bool templateReadable = false;        // false: the template file could not be loaded or parsed
  std::vector<TemplateLayer> layers;    // the layers that could be read, in the file's order
  std::vector<TemplateProblem> problems;
};

// Whether the pictures of the layers are decoded to see that they load. The
// painter decodes them anyway, so only a check before a file asks for it.
enum class PictureCheck { kSkip, kDecode };

}  // namespace glyphra
