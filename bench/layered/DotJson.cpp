#include "DotJson.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace layered_bench {

namespace {

// Just enough JSON for dot's output: objects, arrays, strings, numbers, literals.
struct Json {
    enum class Kind { null, boolean, number, string, array, object } kind = Kind::null;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json* field(const std::string& name) const {
        const auto found = fields.find(name);
        return found == fields.end() ? nullptr : &found->second;
    }
};

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    bool parse(Json& out) {
        if (!value(out)) return false;
        space();
        return i_ == s_.size();
    }

private:
    void space() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_])))
            ++i_;
    }

    bool literal(const char* word) {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }

    bool string(std::string& out) {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c == '\\' && i_ < s_.size()) {
                const char e = s_[i_++];
                switch (e) {
                case 'n': c = '\n'; break;
                case 't': c = '\t'; break;
                case 'u': i_ += 4; c = '?'; break;
                default: c = e;
                }
            }
            out += c;
        }
        if (i_ >= s_.size()) return false;
        ++i_;
        return true;
    }

    bool value(Json& out) {
        if (++depth_ > 200) return false;
        space();
        bool ok = false;
        if (i_ >= s_.size()) {
            ok = false;
        } else if (s_[i_] == '{') {
            out.kind = Json::Kind::object;
            ++i_;
            space();
            ok = true;
            if (i_ < s_.size() && s_[i_] == '}') {
                ++i_;
            } else {
                for (;;) {
                    space();
                    std::string name;
                    Json item;
                    space();
                    if (!string(name)) { ok = false; break; }
                    space();
                    if (i_ >= s_.size() || s_[i_] != ':') { ok = false; break; }
                    ++i_;
                    if (!value(item)) { ok = false; break; }
                    out.fields[name] = std::move(item);
                    space();
                    if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
                    if (i_ < s_.size() && s_[i_] == '}') { ++i_; break; }
                    ok = false;
                    break;
                }
            }
        } else if (s_[i_] == '[') {
            out.kind = Json::Kind::array;
            ++i_;
            space();
            ok = true;
            if (i_ < s_.size() && s_[i_] == ']') {
                ++i_;
            } else {
                for (;;) {
                    Json item;
                    if (!value(item)) { ok = false; break; }
                    out.items.push_back(std::move(item));
                    space();
                    if (i_ < s_.size() && s_[i_] == ',') { ++i_; continue; }
                    if (i_ < s_.size() && s_[i_] == ']') { ++i_; break; }
                    ok = false;
                    break;
                }
            }
        } else if (s_[i_] == '"') {
            out.kind = Json::Kind::string;
            ok = string(out.text);
        } else if (literal("true") || literal("false")) {
            out.kind = Json::Kind::boolean;
            ok = true;
        } else if (literal("null")) {
            ok = true;
        } else {
            char* end = nullptr;
            out.number = std::strtod(s_.c_str() + i_, &end);
            ok = end != s_.c_str() + i_;
            if (ok) {
                out.kind = Json::Kind::number;
                i_ = static_cast<std::size_t>(end - s_.c_str());
            }
        }
        --depth_;
        return ok;
    }

    const std::string& s_;
    std::size_t i_ = 0;
    int depth_ = 0;
};

double number(const Json* j) {
    if (!j) return 0;
    if (j->kind == Json::Kind::number) return j->number;
    return std::strtod(j->text.c_str(), nullptr);
}

bool point(const std::string& token, Pt& p) {
    const auto comma = token.find(',');
    if (comma == std::string::npos) return false;
    p.x = std::strtod(token.c_str(), nullptr);
    p.y = std::strtod(token.c_str() + comma + 1, nullptr);
    return true;
}

// A B-spline "pos" of dot ("s,x,y"? "e,x,y"? then 1 + 3k control points) as a polyline.
std::vector<Pt> flatten(const std::string& pos) {
    std::istringstream in(pos);
    std::string token;
    std::vector<Pt> controls;
    std::optional<Pt> start, end;
    while (in >> token) {
        Pt p;
        if (token.rfind("e,", 0) == 0 && point(token.substr(2), p)) {
            end = p;
        } else if (token.rfind("s,", 0) == 0 && point(token.substr(2), p)) {
            start = p;
        } else if (point(token, p)) {
            controls.push_back(p);
        }
    }
    std::vector<Pt> line;
    if (start) line.push_back(*start);
    if (!controls.empty()) line.push_back(controls[0]);
    const int steps = 8;
    for (std::size_t i = 0; i + 3 < controls.size(); i += 3) {
        const Pt& a = controls[i];
        const Pt& b = controls[i + 1];
        const Pt& c = controls[i + 2];
        const Pt& d = controls[i + 3];
        for (int k = 1; k <= steps; ++k) {
            const double t = static_cast<double>(k) / steps, u = 1 - t;
            line.push_back({u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
                            u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y});
        }
    }
    if (end) line.push_back(*end);
    return line;
}

}  // namespace

std::optional<Drawing> readDotJson(const std::string& text, std::size_t nodeCount) {
    Json root;
    if (!Parser(text).parse(root) || root.kind != Json::Kind::object) return std::nullopt;
    const Json* objects = root.field("objects");
    if (!objects || objects->kind != Json::Kind::array) return std::nullopt;
    Drawing d;
    d.nodes.assign(nodeCount, Box{});
    std::map<int, int> byId;  // dot's object id to our node number
    for (const Json& o : objects->items) {
        const Json* name = o.field("name");
        const Json* pos = o.field("pos");
        if (!name || !pos || name->text.size() < 2 || name->text[0] != 'n') continue;
        const auto node = static_cast<std::size_t>(std::strtol(name->text.c_str() + 1, nullptr, 10));
        if (node >= nodeCount) continue;
        Pt centre;
        if (!point(pos->text, centre)) continue;
        const double w = number(o.field("width")) * 72, h = number(o.field("height")) * 72;
        d.nodes[node] = {centre.x - w / 2, centre.y - h / 2, w, h};
        byId[static_cast<int>(number(o.field("_gvid")))] = static_cast<int>(node);
    }
    if (const Json* edges = root.field("edges"); edges && edges->kind == Json::Kind::array)
        for (const Json& e : edges->items) {
            const auto tail = byId.find(static_cast<int>(number(e.field("tail"))));
            const auto head = byId.find(static_cast<int>(number(e.field("head"))));
            const Json* pos = e.field("pos");
            if (tail == byId.end() || head == byId.end() || !pos) continue;
            d.edges.push_back(flatten(pos->text));
            d.ends.emplace_back(tail->second, head->second);
        }
    return d;
}

}  // namespace layered_bench
