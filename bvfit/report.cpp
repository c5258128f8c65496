// bvfit's table and JSON line, both driven by the list of volumes.
#include "bvfit/report.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <sstream>

#include "geometry/vector3d.h"

namespace {

std::string formatWithDigits(double value, int digits) {
  std::array<char, 64> buffer{};
  const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                          std::chars_format::general, digits);
  if (error != std::errc())
    return "?";
  return std::string(buffer.data(), end);
}

// The parts run together. (Also keeps clear of GCC 12's false -Wrestrict warning on
// a string literal + std::string at -O2.)
template <class... Parts>
std::string concat(const Parts&... parts) {
  std::string out;
  (out.append(std::string_view(parts)), ...);
  return out;
}

std::string jsonVector(const Vector3& v) {
  return concat("[", jsonNumber(v.x), ",", jsonNumber(v.y), ",", jsonNumber(v.z), "]");
}

// Length of the UTF-8 sequence that starts at text[i], or 0 when it is not valid UTF-8
// (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t code = 0;
  std::uint32_t smallest = 0;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    code = lead & 0x1fu;
    smallest = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    code = lead & 0x0fu;
    smallest = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    code = lead & 0x07u;
    smallest = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size())
    return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0u) != 0x80u)
      return 0;
    code = (code << 6) | (byte(i + k) & 0x3fu);
  }
  if (code < smallest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
    return 0;
  return length;
}

// The per-shape pieces: the fields of its JSON object, its size in the table.

std::string jsonFields(const OrientedBox& box) {
  return concat("\"center\":", jsonVector(box.center), ",\"axes\":[", jsonVector(box.axes[0]), ",",
                jsonVector(box.axes[1]), ",", jsonVector(box.axes[2]),
                "],\"halfLengths\":", jsonVector(box.halfLengths));
}

std::string jsonFields(const AxisAlignedBox& box) {
  return concat("\"min\":", jsonVector(box.min), ",\"max\":", jsonVector(box.max));
}

std::string jsonFields(const Sphere& sphere) {
  return concat("\"center\":", jsonVector(sphere.center),
                ",\"radius\":", jsonNumber(sphere.radius));
}

std::string jsonFields(const Kdop& dop) {
  std::string planes;
  for (const double offset : dop.offsets)
    planes += concat(planes.empty() ? "" : ",", jsonNumber(offset));
  return concat("\"planes\":[", planes, "]");
}

std::string sizeText(double a, double b, double c) {
  return concat(formatNumber(a), " x ", formatNumber(b), " x ", formatNumber(c));
}

std::string sizeText(const OrientedBox& box) {
  const Vector3& h = box.halfLengths;
  return sizeText(2.0 * h.x, 2.0 * h.y, 2.0 * h.z);
}

std::string sizeText(const AxisAlignedBox& box) {
  return sizeText(static_cast<double>(box.max.x) - box.min.x,
                  static_cast<double>(box.max.y) - box.min.y,
                  static_cast<double>(box.max.z) - box.min.z);
}

std::string sizeText(const Sphere& sphere) {
  return concat("radius ", formatNumber(sphere.radius));
}

std::string sizeText(const Kdop& dop) {
  return concat(std::to_string(dop.vertices.size()), " vertices, ",
                std::to_string(dop.faces.size()), " faces");
}

double shapeVolume(const Kdop& dop) {
  return dop.volume;
}

double shapeVolume(const OrientedBox& box) {
  return box.volume;
}

double shapeVolume(const AxisAlignedBox& box) {
  return box.volume;
}

double shapeVolume(const Sphere& sphere) {
  return sphereVolume(sphere);
}

std::string jsonVector(const Vector3d& v) {
  return concat("[", jsonNumber(v.x), ",", jsonNumber(v.y), ",", jsonNumber(v.z), "]");
}

// The seconds of the named fitting stage, not-a-number (null) when it did not run.
double stageSeconds(const FileReport& report, std::string_view stage) {
  for (const auto& [name, seconds] : report.seconds) {
    if (name == stage)
      return seconds;
  }
  return std::nan("");
}

std::string kdopStage(int k) {
  return k == 26 ? "dop26" : concat("kdop ", std::to_string(k));
}

std::string reducedHullStage(int n) {
  return concat("reduced hull ", std::to_string(n));
}

// The engines' volumes: ellipsoid, kdops and reducedHulls, each with the time of its stage.
std::string engineJson(const FileReport& report) {
  const EngineVolumes& engine = report.volumes.engine;
  const Ellipsoid& e = engine.ellipsoid;
  const Capsule& capsule = engine.capsule;
  const Cylinder& cylinder = engine.cylinder;
  std::string out =
      concat(",\"capsule\":{\"a\":", jsonVector(capsule.a), ",\"b\":", jsonVector(capsule.b),
             ",\"radius\":", jsonNumber(capsule.radius), ",\"volume\":", jsonNumber(capsule.volume),
             ",\"optimalityGap\":", jsonNumber(engine.capsuleSearch.optimalityGap),
             ",\"seconds\":", jsonNumber(stageSeconds(report, "capsule")), "}");
  out += concat(
      ",\"cylinder\":{\"center\":", jsonVector(cylinder.center),
      ",\"axis\":", jsonVector(cylinder.axis), ",\"halfLength\":", jsonNumber(cylinder.halfLength),
      ",\"radius\":", jsonNumber(cylinder.radius), ",\"volume\":", jsonNumber(cylinder.volume),
      ",\"optimalityGap\":", jsonNumber(engine.cylinderSearch.optimalityGap),
      ",\"seconds\":", jsonNumber(stageSeconds(report, "cylinder")), "}");
  out += concat(",\"ellipsoid\":{\"center\":", jsonVector(e.center), ",\"axes\":[",
                jsonVector(e.axes[0]), ",", jsonVector(e.axes[1]), ",", jsonVector(e.axes[2]),
                "],\"radii\":[", jsonNumber(e.radii[0]), ",", jsonNumber(e.radii[1]), ",",
                jsonNumber(e.radii[2]), "],\"volume\":", jsonNumber(e.volume),
                ",\"seconds\":", jsonNumber(stageSeconds(report, "ellipsoid")), "}");
  out += ",\"kdops\":{";
  for (std::size_t i = 0; i < engine.kdops.size(); ++i) {
    const Kdop& dop = engine.kdops[i];
    out += concat(i == 0 ? "" : ",", jsonString(std::to_string(KDOP_SIZES[i])),
                  ":{\"volume\":", jsonNumber(dop.volume), ",", jsonFields(dop),
                  ",\"seconds\":", jsonNumber(stageSeconds(report, kdopStage(KDOP_SIZES[i]))), "}");
  }
  out += "},\"reducedHulls\":{";
  for (std::size_t i = 0; i < engine.reducedHulls.size(); ++i) {
    const ReducedHull& reduced = engine.reducedHulls[i];
    const int n = REDUCED_HULL_SIZES[i];
    out += concat(i == 0 ? "" : ",", jsonString(std::to_string(n)),
                  ":{\"vertices\":", std::to_string(reduced.vertices.size()),
                  ",\"volume\":", jsonNumber(reduced.volume),
                  ",\"seconds\":", jsonNumber(stageSeconds(report, reducedHullStage(n))), "}");
  }
  return out + "}";
}

struct EngineRow {
  std::string label;
  std::string size;
  double volume = 0;
};

// The table's rows of the engines' volumes.
std::vector<EngineRow> engineRows(const EngineVolumes& engine) {
  const Ellipsoid& e = engine.ellipsoid;
  const Capsule& c = engine.capsule;
  const Cylinder& y = engine.cylinder;
  std::vector<EngineRow> rows = {
      {"minimum-volume capsule",
       concat("radius ", formatNumber(c.radius), ", segment ",
              formatNumber(length(Vector3d(c.b) - Vector3d(c.a)))),
       c.volume},
      {"minimum-volume cylinder",
       concat("radius ", formatNumber(y.radius), ", half length ", formatNumber(y.halfLength)),
       y.volume},
      {"minimum-volume ellipsoid",
       concat("radii ", formatNumber(e.radii[0]), ", ", formatNumber(e.radii[1]), ", ",
              formatNumber(e.radii[2])),
       e.volume}};
  for (std::size_t i = 0; i + 1 < engine.kdops.size(); ++i) {
    rows.push_back({concat(std::to_string(KDOP_SIZES[i]), "-DOP"), sizeText(engine.kdops[i]),
                    engine.kdops[i].volume});
  }
  for (std::size_t i = 0; i < engine.reducedHulls.size(); ++i) {
    const ReducedHull& reduced = engine.reducedHulls[i];
    rows.push_back({concat("reduced hull, ", std::to_string(REDUCED_HULL_SIZES[i]), " vertices"),
                    concat(std::to_string(reduced.vertices.size()), " vertices, ",
                           std::to_string(reduced.faces.size()), " faces"),
                    reduced.volume});
  }
  return rows;
}

std::string padded(const std::string& text, std::size_t width) {
  return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

}  // namespace

std::string formatNumber(double value) {
  return formatWithDigits(value, 9);
}

std::string jsonNumber(double value) {
  return std::isfinite(value) ? formatNumber(value) : "null";
}

std::string jsonString(std::string_view value) {
  std::string out = "\"";
  for (std::size_t i = 0; i < value.size();) {
    const unsigned char c = static_cast<unsigned char>(value[i]);
    if (c >= 0x80) {
      const std::size_t length = utf8SequenceLength(value, i);
      if (length == 0) {
        out += "\xef\xbf\xbd";  // U+FFFD
        ++i;
      } else {
        out.append(value.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          static constexpr char HEX[] = "0123456789abcdef";
          out += "\\u00";
          out += HEX[c >> 4];
          out += HEX[c & 0xf];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  return out + "\"";
}

std::vector<VolumeEntry> volumeEntries(const BoundingVolumes& volumes) {
  return {
      {"boxes", "facetMoments", "facet-moment box", volumes.facetMomentBox},
      {"boxes", "axisAligned", "axis-aligned box", volumes.axisAlignedBox},
      {"boxes", "minimum", "minimum-volume box", volumes.comparison.minimumBox},
      {"boxes", "pointCovariance", "point covariance box", volumes.comparison.pointCovarianceBox},
      {"spheres", "corners", "corner sphere", volumes.cornerSphere},
      {"spheres", "minimal", "minimal sphere", volumes.minimalSphere},
      {"spheres", "ritter", "Ritter's sphere", volumes.comparison.ritterSphere},
      {"dop26", nullptr, "26-DOP", volumes.comparison.dop26},
  };
}

double volumeOf(const VolumeEntry& entry) {
  return std::visit([](const auto& shape) { return shapeVolume(shape); }, entry.shape);
}

std::string camelCase(std::string_view words) {
  std::string out;
  bool upper = false;
  for (const char c : words) {
    if (c == ' ') {
      upper = true;
    } else {
      out += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      upper = false;
    }
  }
  return out;
}

void writeJson(std::ostream& out, const FileReport& report) {
  std::string line = concat("{\"file\":", jsonString(report.file));
  if (!report.error.empty()) {
    out << line << ",\"error\":" << jsonString(report.error) << "}\n";
    return;
  }
  const BoundingVolumes& v = report.volumes;
  line += concat(",\"points\":", std::to_string(v.points),
                 ",\"degenerate\":", v.degeneracy != Degeneracy::None ? "true" : "false",
                 ",\"degeneracy\":", jsonString(degeneracyName(v.degeneracy)));
  line += concat(",\"hull\":{\"vertices\":", std::to_string(v.hull.vertices),
                 ",\"facets\":", std::to_string(v.hull.facets),
                 ",\"faces\":", std::to_string(v.hull.faces), ",\"area\":", jsonNumber(v.hull.area),
                 ",\"volume\":", jsonNumber(v.hull.volume), "}");
  // Entries of one group are adjacent in the list; each group becomes one object, and an
  // entry without a key is its group's object itself.
  std::string group;
  for (const VolumeEntry& entry : volumeEntries(v)) {
    if (group != entry.group) {
      line += group.empty() ? "," : "},";
      group = entry.group;
      line += concat(jsonString(group), ":{");
    } else {
      line += ",";
    }
    const double volume = volumeOf(entry);
    const std::string fields =
        concat(std::visit([](const auto& shape) { return jsonFields(shape); }, entry.shape),
               ",\"volume\":", jsonNumber(volume),
               ",\"volumeToHull\":", jsonNumber(volume / v.hull.volume));
    std::string search;
    if (std::string_view(entry.group) == "boxes" && entry.key != nullptr &&
        std::string_view(entry.key) == "minimum") {
      const MinimumBoxReport& m = v.comparison.minimumBoxSearch;
      search = concat(",\"complete\":", m.complete ? "true" : "false",
                      ",\"optimalityGap\":", jsonNumber(m.optimalityGap));
    }
    line +=
        entry.key == nullptr ? fields : concat(jsonString(entry.key), ":{", fields, search, "}");
  }
  if (!group.empty())
    line += "}";
  line += engineJson(report);
  line += ",\"seconds\":{";
  for (std::size_t i = 0; i < report.seconds.size(); ++i) {
    line += concat(i == 0 ? "" : ",", jsonString(camelCase(report.seconds[i].first)), ":",
                   jsonNumber(report.seconds[i].second));
  }
  out << line << "}}\n";
}

void writeTable(std::ostream& out, const FileReport& report) {
  if (!report.error.empty())
    return;
  const BoundingVolumes& v = report.volumes;
  out << report.file << '\n';
  out << "  points  " << v.points << '\n';
  out << "  hull    " << v.hull.vertices << " vertices, " << v.hull.facets << " facets, area "
      << formatNumber(v.hull.area) << ", volume " << formatNumber(v.hull.volume) << ", "
      << v.hull.faces << " faces\n";
  if (v.degeneracy != Degeneracy::None) {
    out << "  shape   " << degeneracyName(v.degeneracy)
        << " (degenerate: the hull has no volume to compare with)\n";
  }
  std::vector<std::array<std::string, 4>> rows = {{"bounding volume", "size", "volume", "/ hull"}};
  for (const VolumeEntry& entry : volumeEntries(v)) {
    const double volume = volumeOf(entry);
    const double ratio = volume / v.hull.volume;
    rows.push_back({entry.label,
                    std::visit([](const auto& shape) { return sizeText(shape); }, entry.shape),
                    formatNumber(volume), std::isfinite(ratio) ? formatWithDigits(ratio, 4) : "-"});
  }
  for (const EngineRow& row : engineRows(v.engine)) {
    const double ratio = row.volume / v.hull.volume;
    rows.push_back({row.label, row.size, formatNumber(row.volume),
                    std::isfinite(ratio) ? formatWithDigits(ratio, 4) : "-"});
  }
  std::array<std::size_t, 4> width{};
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c)
      width[c] = std::max(width[c], row[c].size());
  }
  for (const auto& row : rows) {
    out << "  " << padded(row[0], width[0]) << "  " << padded(row[1], width[1]) << "  "
        << padded(row[2], width[2]) << "  " << row[3] << '\n';
  }
  out << '\n';
}
