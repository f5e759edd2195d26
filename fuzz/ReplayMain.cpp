// Runs a fuzz target over its saved corpus, outside libFuzzer: every file of
// the folders (or the files) named on the command line, in name order.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    int inputs = 0;
    bool readable = true;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QStringList files{path};
        if (QFileInfo(path).isDir()) {
            const QDir folder(path);
            files.clear();
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
                files.append(folder.filePath(name));
        }
        for (const QString& name : files) {
            std::fprintf(stderr, "%s\n", qPrintable(name));
            QFile file(name);
            readable = file.open(QIODevice::ReadOnly) && readable;
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    // An empty corpus, or one that cannot be read, would pass while checking nothing.
    return readable && inputs > 0 ? 0 : 1;
}
