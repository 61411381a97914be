// Writes the program's icon as PNG files for the hicolor theme, from the same drawing as the
// window's icon: quillmor_icons OUTDIR NAME SIZE... writes OUTDIR/<size>x<size>/apps/NAME.png.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "qt/image_list.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: quillmor_icons OUTDIR NAME SIZE...\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0) {
      std::fprintf(stderr, "quillmor_icons: bad size %s\n", argv[i]);
      return 2;
    }
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    if (!QDir().mkpath(dir) || !qm::qt::ApplicationImage(size).save(dir + "/" + name + ".png")) {
      std::fprintf(stderr, "quillmor_icons: cannot write %s\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
