// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/portsetup.h"

namespace {

PortSetup::Sources completed(PortSetup::Sources sources)
{
    if (!sources.detector)
        sources.detector = std::make_shared<SystemPortDetector>();
    if (sources.file.isEmpty())
        sources.file = PortPathStore::defaultFileName();
    return sources;
}

} // namespace

PortSetup::PortSetup(Sources sources)
    : m_sources(completed(std::move(sources))), m_store(m_sources.file)
{
    m_saved = m_store.read(&m_readProblem);
}

ResolvedPorts PortSetup::resolve() const
{
    return resolvePorts(m_sources.given, m_saved, detect(), m_sources.fixed);
}

bool PortSetup::keep(const PortMap &paths, QString *problem)
{
    m_saved = paths;
    return m_store.write(paths, problem);
}
