#pragma once

// Deterministic synthetic custom-window pages for the benchmarks: markup,
// Chinese text, module addresses (http, https, upper case), other links.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace bench {

/// A page of exactly \p bytes bytes; the same size always gives the same page.
/// A normal page holds a module address about every 3.5 KiB; a \p dense one,
/// a stress case, about every 270 bytes.
inline std::string syntheticPage(std::size_t bytes, bool dense = false) {
    constexpr std::size_t kLong = 4; // the last snippets below
    static constexpr std::string_view snippets[] = {
        "<div class=\"mod_box\"><div class=\"bd\">",
        "</div></div>\n",
        "<p>欢迎来到我的空间，这里有我喜欢的音乐和动画。</p>\n",
        "<embed src=\"http://qzs.qq.com/qzone/space_item/orig/7/%u.swf\" wmode=\"transparent\" "
        "width=\"180\" height=\"200\">\n",
        "<object data=\"https://imgcache.qq.com/qzone/client/%u/flash.swf\"></object>\n",
        "<EMBED SRC=\"HTTP://QZONESTYLE.GTIMG.CN/QZONE/%u/MUSIC.SWF\">\n",
        "<a href=\"http://user.qzone.qq.com/%u\" target=\"_blank\">我的主页</a>\n",
        "<img src=\"http://qlogo.qq.com/headimg/%u.jpg\" alt=\"头像\">\n",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n",
        "<script type=\"text/javascript\">var g_iUin=%u, g_bFlash=true;</script>\n",
        "<span style=\"color:#f60\">好友留言：今天天气不错！</span>\n",
        "<param name=\"movie\" value=\"http://qzs.qq.com/%u/a.swf?b=c.swf\">\n",
        // Longer stretches without module addresses, as most of a real page is.
        "<style type=\"text/css\">.mod_box{margin:0 auto;width:180px;border:1px solid #ccc;"
        "background:#fff url(bg.png) no-repeat}.mod_box .hd{height:24px;line-height:24px;"
        "font-size:12px;color:#333}.mod_box .bd{padding:4px 8px;overflow:hidden}"
        "a:link,a:visited{color:#06c;text-decoration:none}</style>\n",
        "<script type=\"text/javascript\">function showMod(id){var el=document.getElementById("
        "'mod_'+id);if(!el)return;el.style.display=el.style.display=='none'?'block':'none';"
        "try{window.parent.QZONE.FP.refreshModule(id);}catch(e){}}var g_modList=[%u,2,3,5,8];"
        "for(var i=0;i<g_modList.length;i++){showMod(g_modList[i]);}</script>\n",
        "<div class=\"txt\">春天来了，花园里的花都开了。我每天都会来这里看看朋友们的留言，"
        "听听喜欢的歌。谢谢大家一直以来的支持，祝大家天天开心，万事如意！欢迎常来坐坐。</div>\n",
        "<table cellpadding=\"0\" cellspacing=\"0\" border=\"0\" width=\"100%\"><tr><td "
        "class=\"l\"></td><td class=\"c\">日志 相册 音乐盒 留言板 个人档</td><td class=\"r\">"
        "</td></tr></table>\n",
    };
    std::string page;
    page.reserve(bytes + 256);
    std::uint32_t state = 2463534242u; // xorshift32: fixed seed, fixed page
    while (page.size() < bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Dense mode draws only from the short snippets, a module address in about
        // one of three; otherwise the long ones come up three times in four.
        const std::size_t n = std::size(snippets);
        const std::size_t pick =
            dense ? state % (n - kLong) : (state % 4 ? n - 1 - (state >> 8) % kLong : state % n);
        const std::string_view s = snippets[pick];
        const std::size_t hole = s.find("%u");
        if (hole == std::string_view::npos) {
            page.append(s);
        } else {
            page.append(s.substr(0, hole));
            page.append(std::to_string(state % 100000000u));
            page.append(s.substr(hole + 2));
        }
    }
    page.resize(bytes);
    return page;
}

} // namespace bench
