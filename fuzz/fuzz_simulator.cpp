// The simulator's side of the line: a byte stream framed by its length bytes, as
// the pseudo-terminal server frames it, each request handed to the master. An odd
// first byte gives every request its correct check octet, to reach past the check.
#include "simulator/iolinkframe.h"
#include "simulator/mastersimulator.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace IoLinkSim;
    static SensorDescription description;
    static const bool loaded = description.load(QStringLiteral(FUZZ_DATA_FILE));
    MasterSimulator master(description);
    master.setClock([] { return qint64(0); });
    QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const bool fixCheck = loaded && size && data[0] & 1;
    for (input.remove(0, 1); !input.isEmpty(); input.remove(0, 1 + quint8(input.at(0)))) {
        QByteArray request = input.left(1 + quint8(input.at(0)));
        if (fixCheck && request.size() >= 3)
            request[1] = char(checkOctet(quint8(request.at(2)), request.mid(3)));
        master.handle(request);
    }
    return 0;
}
