// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The archive's tables, as steps: step n brings a version n-1 archive to version n, so a new
// archive runs them all and an older one the steps it lacks. The same statements on SQLite and
// PostgreSQL.

#include <array>
#include <vector>

namespace kolmaris::history {

inline const std::array<std::vector<const char*>, 2> kSchemaSteps{{
    {
        "CREATE TABLE archive_info (name VARCHAR(40) PRIMARY KEY, value VARCHAR(200) NOT NULL)",
        "INSERT INTO archive_info (name, value) VALUES ('schema_version', '0')",
        // Times: seconds since 1 January 2000 on the terminal's clock (UTC+1), to the minute.
        "CREATE TABLE radon_records (station VARCHAR(100) NOT NULL, probe SMALLINT NOT NULL,"
        " terminal_time BIGINT NOT NULL, radon BIGINT NOT NULL, sum1 BIGINT NOT NULL, sum2 BIGINT NOT NULL,"
        " sum3 BIGINT NOT NULL, sum4 BIGINT NOT NULL, temperature SMALLINT NOT NULL, humidity SMALLINT NOT NULL,"
        " hv SMALLINT NOT NULL, PRIMARY KEY (station, probe, terminal_time))",
        "CREATE TABLE spectra (station VARCHAR(100) NOT NULL, probe SMALLINT NOT NULL,"
        " terminal_time BIGINT NOT NULL, channels VARCHAR(400) NOT NULL,"
        " PRIMARY KEY (station, probe, terminal_time))",
        "CREATE TABLE meteo_records (station VARCHAR(100) NOT NULL, terminal_time BIGINT NOT NULL,"
        " pressure INTEGER NOT NULL, temperature INTEGER NOT NULL, humidity INTEGER NOT NULL,"
        " voltage INTEGER NOT NULL, PRIMARY KEY (station, terminal_time))",
        "CREATE TABLE diagnostic_events (station VARCHAR(100) NOT NULL, terminal_time BIGINT NOT NULL,"
        " element SMALLINT NOT NULL, code SMALLINT NOT NULL,"
        " PRIMARY KEY (station, terminal_time, element, code))",
    },
    {
        // Per station, the newest meteo record of the last download that read the memory down to
        // its end (or to this mark): the archive holds every record the memory holds below it.
        "CREATE TABLE whole_downloads (station VARCHAR(100) PRIMARY KEY, newest_meteo BIGINT NOT NULL)",
    },
}};

}  // namespace kolmaris::history
