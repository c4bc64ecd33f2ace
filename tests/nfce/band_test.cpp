// The window band's words for the NFC-e: homologação, the contingency queue
// and its age, a configuration that cannot be read.
#include "nfce/band.h"

#include "tests/nfce/sample_config.h"
#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace qv::nfce {
namespace {

TEST(Band, SaysHomologationAndTheQueueByTheAgeOfItsOldestNote) {
    struct Row {
        bool homologation;
        std::size_t queued;
        long long oldest_seconds;
        const char* words;
    } rows[] = {
        {false, 0, 0, ""},
        {true, 0, 0, "NFC-e EM HOMOLOGAÇÃO - SEM VALOR FISCAL"},
        {false, 1, 59, "1 NFC-e EM CONTINGÊNCIA HÁ 0 min"},
        {false, 2, 3599, "2 NFC-e EM CONTINGÊNCIA HÁ 59 min"},
        {true, 3, 3600, "HOMOLOGAÇÃO - 3 EM CONTINGÊNCIA HÁ 1 h"},
        {true, 999, 23 * 3600, "HOMOLOGAÇÃO - 999 EM CONTINGÊNCIA HÁ 23 h"},
        {false, 1, 24 * 3600 - 1, "1 NFC-e EM CONTINGÊNCIA HÁ 23 h"},
        {false, 1, 24 * 3600, "CONTINGÊNCIA HÁ MAIS DE 24 h: TRANSMITA"},
        {true, 9, 90 * 3600, "CONTINGÊNCIA HÁ MAIS DE 24 h: TRANSMITA"},
        // A clock set back behind the queue's time says no age, not a negative one.
        {false, 1, -600, "1 NFC-e EM CONTINGÊNCIA HÁ 0 min"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(detail::band_words(r.homologation, r.queued, r.oldest_seconds), r.words)
            << r.queued << " " << r.oldest_seconds;
}

TEST(Band, ReadsTheConfigurationAndTheQueue) {
    const test::ScratchFolder folder("qv-nfce-band");
    const std::string conf = test::utf8(folder.path() / "nfce.conf");
    const Store store(test::utf8(folder.path() / "dados"));
    EXPECT_EQ(band_text(conf, store, 1000), "ERRO NA CONFIGURAÇÃO DA NFC-e");
    // The password file must be there and the owner's alone.
    const std::filesystem::path secret = folder.path() / "senha.txt";
    test::write_file(secret, "x");
    std::filesystem::permissions(secret, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write);
    std::string text = test::kSampleConfig;
    const std::string key = "senha_certificado=/etc/quiterval/senha-certificado";
    text.replace(text.find(key), key.size(), "senha_certificado=" + test::utf8(secret));
    test::write_file(conf, text);
    EXPECT_EQ(band_text(conf, store, 1000), "NFC-e EM HOMOLOGAÇÃO - SEM VALOR FISCAL");
    Store queue(store.folder());
    ASSERT_TRUE(queue.enqueue("35261211222333000181650010000000071000000077", "<NFe/>", 1000));
    EXPECT_EQ(band_text(conf, store, 1000 + 7200), "HOMOLOGAÇÃO - 1 EM CONTINGÊNCIA HÁ 2 h");
}

} // namespace
} // namespace qv::nfce
