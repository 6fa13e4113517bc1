// Benchmark figures: printed as a table as they come, and written as CSV at the end.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

class Report {
public:
    void section(const std::string& title) {
        std::printf("\n== %s ==\n", title.c_str());
        section_ = title;
    }
    // One figure: what was measured, on which subject, its value and unit.
    void figure(const std::string& subject, const std::string& metric, double value,
                const std::string& unit) {
        std::printf("  %-28s %-40s %14.4g %s\n", subject.c_str(), metric.c_str(), value, unit.c_str());
        std::fflush(stdout);
        rows_.push_back({section_, subject, metric, value, unit});
    }
    void note(const std::string& text) { std::printf("  %s\n", text.c_str()); }

    bool writeCsv(const std::string& path) const {
        FILE* out = std::fopen(path.c_str(), "w");
        if (!out) return false;
        std::fprintf(out, "section,subject,metric,value,unit\n");
        for (const Row& r : rows_)
            std::fprintf(out, "\"%s\",\"%s\",\"%s\",%.6g,\"%s\"\n", r.section.c_str(),
                         r.subject.c_str(), r.metric.c_str(), r.value, r.unit.c_str());
        return std::fclose(out) == 0;
    }

private:
    struct Row {
        std::string section, subject, metric;
        double value;
        std::string unit;
    };
    std::string section_;
    std::vector<Row> rows_;
};

}  // namespace bench
