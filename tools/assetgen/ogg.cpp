// ogg.cpp - Ogg Vorbis encoding of mono sample buffers.
#include "tools/assetgen/ogg.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// Fixed so that regenerating a sound gives the same file.
constexpr int kStreamSerial = 0x474C4D44;

void writePage(std::FILE* f, const ogg_page& page) {
    std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), f);
    std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), f);
}

} // namespace

void writeOggVorbis(const std::vector<float>& samples, int rate, float quality,
                    const std::string& path) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        throw std::runtime_error(path + ": encoder refuses " + std::to_string(rate) + " Hz");
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        vorbis_info_clear(&vi);
        throw std::runtime_error(path + ": cannot write");
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", "Gloam Didaruv");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kStreamSerial);

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        writePage(f, page);

    // Feed the samples in blocks, then an empty write to mark the end.
    constexpr size_t kBlock = 1024;
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min(kBlock, samples.size() - pos);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                buffer[0][i] = samples[pos + i];
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (!eos && ogg_stream_pageout(&os, &page) != 0) {
                    writePage(f, page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // The end-of-stream page may still sit in the stream buffer.
            while (ogg_stream_flush(&os, &page) != 0) {
                writePage(f, page);
                if (ogg_page_eos(&page)) eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    if (std::fclose(f) != 0) throw std::runtime_error(path + ": cannot write");
}
