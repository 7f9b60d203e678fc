// Which virtual key an SDL key event stands for.

#include "map/key_state.h" // the codes, by the names the editor reads them with
#include "platform/key_mapping.h"

#include <gtest/gtest.h>

TEST(KeyMapping, LettersAndDigitsGoByPositionWhereTheLayoutIsNotLatin) {
    // SDL scancodes are USB usage numbers: A is 4, W 26, 2 is 31, [ is 47.
    EXPECT_EQ(virtualKeyForSdlKey(0x0446, 26), vkW); // Russian: the key that types 'ц'
    EXPECT_EQ(virtualKeyForSdlKey(0x03C2, 26), vkW); // Greek final sigma
    EXPECT_EQ(virtualKeyForSdlKey(0, 4), vkA);       // no symbol at all
    EXPECT_EQ(virtualKeyForSdlKey(0x00E9, 31), '2'); // French: 'é' on the 2 key
    EXPECT_EQ(virtualKeyForSdlKey(0x0445, 47), 0);   // not a letter key: unmapped, as before
    // A Latin layout keeps its letters where it puts them (French Z on the
    // W key is Z), and other keys keep their codes.
    EXPECT_EQ(virtualKeyForSdlKey('z', 26), vkZ);
    EXPECT_EQ(virtualKeyForSdlKey((1 << 30) | 75, 75), vkPrior);
}
